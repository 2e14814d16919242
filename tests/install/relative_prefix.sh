#!/usr/bin/env bash
# `cmake --install` with a relative prefix installs under the folder it runs in, and its manifest
# names every file and link by its absolute path, vens and palk included.
set -euo pipefail
source "$(dirname "$0")/install.sh"
build=$1 bindir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; exit 1; }
cd "$work"
here=$(pwd -P)
install_at "$build" "$work" relative/tree
! grep -v '^/' "$INSTALL_MANIFEST" || fail "the manifest names relative paths: $(grep -v '^/' "$INSTALL_MANIFEST" | tr '\n' ' ')"
for sibling in vens palk morvik; do
    grep -qx "$here/relative/tree/$bindir/$sibling" "$INSTALL_MANIFEST" || fail "$sibling is not in the manifest by its path"
    [[ -e $here/relative/tree/$bindir/$sibling ]] || fail "$sibling is not installed under $here/relative/tree"
done
echo ok
