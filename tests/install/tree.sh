#!/usr/bin/env bash
# `cmake --install` into a prefix of its own, with DESTDIR: morvik with vens and palk beside her as
# links to her, the headline runners, the SSTP control and the libraries they load, and every file
# of the data folder she reads (the dialogue database, the help page); the links are in the install
# manifest, and nothing installed needs the build tree.
set -euo pipefail
source "$(dirname "$0")/install.sh"
build=$1 bindir=$2 libdir=$3 datadir=$4 built_data=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; exit 1; }
install_tree "$build" "$work"
root=$INSTALL_ROOT prefix=$INSTALL_PREFIX

[[ -x $root/$bindir/morvik && ! -L $root/$bindir/morvik ]] || fail "no program at $root/$bindir/morvik"
for sibling in vens palk; do
    [[ -L $root/$bindir/$sibling && $(readlink "$root/$bindir/$sibling") == morvik ]] ||
        fail "$sibling is no link to morvik beside her: $(ls -l "$root/$bindir/$sibling" 2>&1)"
    grep -qx "$prefix/$bindir/$sibling" "$INSTALL_MANIFEST" || fail "$sibling is not in the install manifest"
done
for file in "$bindir/vorla11" "$bindir/vorla10" "$libdir/libbrindok.so"; do
    [[ -f $root/$file ]] || fail "$file is not installed"
done

# What the build puts in her data folder is what she reads from it.
data_files=$(cd "$built_data" && find . -type f | sort)
[[ -n $data_files ]] || fail "the build's data folder is empty"
while read -r file; do
    cmp -s "$built_data/$file" "$root/$datadir/$file" || fail "${file#./} is not installed in $datadir"
done <<<"$data_files"

# The manifest names every file and link installed, and nothing else: an uninstall by it removes all.
listed=$(sed '/^$/d' "$INSTALL_MANIFEST" | sort)
present=$(cd "$INSTALL_DESTDIR" && find . -type f -o -type l | sed 's|^\.||' | sort)
[[ $listed == "$present" ]] ||
    fail "the manifest and the tree differ: $(diff <(echo "$listed") <(echo "$present") | sed -n 's/^[<>] //p' | tr '\n' ' ')"

# Each program and library loads what it links from the system or the installed tree, never from
# the build.
while read -r elf; do
    out=$(ldd "$elf" 2>&1) || continue
    ! grep -q 'not found' <<<"$out" || fail "${elf#"$root"/}: $(grep 'not found' <<<"$out" | tr '\n' ' ')"
    ! grep -qF -- "$build/" <<<"$out" || fail "${elf#"$root"/} loads from the build tree: $(grep -F -- "$build/" <<<"$out")"
done < <(find "$root" -type f \( -perm -u+x -o -name '*.so*' \))
echo ok
