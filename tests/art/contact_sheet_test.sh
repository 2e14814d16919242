#!/usr/bin/env bash
# contact_sheet_test.sh SHEET PICTURES: the contact sheet takes every picture, and refuses (so the
# build fails) when one is missing or does not fit its place, naming it: nothing is left off quietly.
set -euo pipefail
sheet=$1 pictures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect_refusal WHAT NAME: the sheet of $work/pictures fails and names NAME.
expect_refusal() {
    local status=0
    "$sheet" "$work/pictures" "$work/sheet.png" >"$work/out" 2>&1 || status=$?
    [[ $status != 0 ]] || { echo "$1: the sheet was made all the same"; exit 1; }
    grep -qF "$2" "$work/out" || { echo "$1: the message does not name $2"; cat "$work/out"; exit 1; }
}
# fresh: a copy of the pictures as built.
fresh() {
    rm -rf "$work/pictures"
    cp -r "$pictures" "$work/pictures"
}

fresh
"$sheet" "$work/pictures" "$work/sheet.png" || { echo "the pictures as built make no sheet"; exit 1; }
[[ -s $work/sheet.png ]] || { echo "no sheet was written"; exit 1; }

fresh
rm "$work/pictures/morvik.Picture1.png"
expect_refusal "the tray icon missing" "morvik.Picture1"

fresh
convert -size 2000x40 xc:white "$work/pictures/gra3.ImageList2.13.png"
expect_refusal "a mail sign too wide for the sheet" "gra3.ImageList2(13)"

fresh
convert -size 300x300 xc:white "$work/pictures/gra.Image1.0.png"
expect_refusal "a pose too big for its cell" "gra.Image1(0)"
echo ok
