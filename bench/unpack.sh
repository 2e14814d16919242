#!/usr/bin/env bash
# bench/unpack.sh [MB]: how fast a dropped ZIP is unpacked, beside bsdtar -xf of the same archive in
# the same run: one archive of many small files (10 KB each) and one of a few large ones, MB in all
# (200 by default). Prints the seconds of each (best of three) and their ratio; the goal is within
# 1.1x of bsdtar. Not a test: figures depend on the machine. Installs what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-200}
source "$root/scripts/lib.sh"
morvik_install_deps build bench-unpack
morvik_build
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Half random, half text: deflate has something to do, as with real files.
make_file() { # make_file PATH KB
    {
        head -c $(($2 * 512)) /dev/urandom
        { yes "morvik unpacks what is dropped on her" || true; } | head -c $(($2 * 512))
    } >"$1"
}
mkdir -p "$work/small/files" "$work/large/files"
for i in $(seq 1 $((mb * 100))); do make_file "$work/small/files/$i.dat" 10; done
for i in 1 2 3 4; do make_file "$work/large/files/$i.dat" $((mb * 256)); done
(cd "$work/small" && zip -q -r ../small.zip files)
(cd "$work/large" && zip -q -r ../large.zip files)

seconds() { # seconds COMMAND...: best of three, each into a fresh folder
    local best=
    for _ in 1 2 3; do
        rm -rf "$work/out" && mkdir "$work/out"
        sync
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(echo "$start $end ${best:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
    done
    echo "$best"
}
for kind in small large; do
    ours=$(seconds "$MORVIK_BUILD/bench/unpack_bench" "$work/$kind.zip" "$work/out")
    theirs=$(seconds bsdtar -xf "$work/$kind.zip" -C "$work/out")
    echo "$kind: morvik ${ours}s, bsdtar ${theirs}s, ratio $(echo "$ours $theirs" | awk '{printf "%.2f", $1 / $2}')"
done
