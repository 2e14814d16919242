#!/usr/bin/env bash
# `cmake --install build --prefix ~/.local`, as the README says, in a home of the test's own with
# the default data home (~/.local/share): her own folder is then ~/.local/share/morvik, and the
# install writes, lists and removes nothing in it. Her edit of her dialogue survives a reinstall and
# the removal of the installed files; a copy an earlier install left in her folder is hers, kept
# and made private.
set -euo pipefail
source "$(dirname "$0")/install.sh"
build=$1 bindir=$2 built_data=$3 probe=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; exit 1; }
export HOME=$work/home
unset XDG_DATA_HOME MORVIK_HOME MORVIK_DATA MORVIK_BIN
mkdir -p "$HOME"
prefix=$HOME/.local
hers=$prefix/share/morvik
copy=$hers/morvik_heart.mdb
# The probe beside the installed morvik finds the data folder as she does.
probe() { "$prefix/$bindir/heart_probe" "$@"; }
install_here() {
    install_at "$build" "$work" "$prefix"
    cp "$probe" "$prefix/$bindir/heart_probe"
    ! grep -F -- "$hers/" "$INSTALL_MANIFEST" || fail "the install lists files in her folder $hers"
    ! grep -F -- "$hers/" "$work/install.log" || fail "the install wrote in her folder $hers"
}

install_here
probe edit "マスターの一行" || fail "her copy could not be edited"
[[ -f $copy ]] || fail "her copy is not in $hers"
[[ $(stat -c %a "$copy") == 600 ]] || fail "her copy has mode $(stat -c %a "$copy")"
install_here
[[ $(probe read) == "マスターの一行" ]] || fail "a reinstall lost her edit: $(probe read)"

# Removed as the README says: her files stay, and she still reads her own copy.
xargs -d '\n' rm -f -- <"$INSTALL_MANIFEST"
[[ -f $copy ]] || fail "removing the installed files removed her copy"
[[ $(probe read) == "マスターの一行" ]] || fail "after the removal her copy reads: $(probe read)"

# An earlier install put the shipped file in her folder, readable by all, and she edited it there.
rm -rf "$hers"
install -D -m 0644 "$built_data/morvik_heart.mdb" "$copy"
install_here
probe edit "前からの一行" || fail "the copy an earlier install left could not be edited"
install_here
[[ $(probe read) == "前からの一行" ]] || fail "the copy an earlier install left lost its edit: $(probe read)"
[[ $(stat -c %a "$copy") == 600 ]] || fail "the copy an earlier install left keeps mode $(stat -c %a "$copy")"
echo ok
