#!/usr/bin/env bash
# Virtual X servers started at once in network namespaces of their own (as the tests on X run in
# parallel) each get a display of their own, and all of them come up.
set -euo pipefail
root=$1 private_network=$2
work=$(mktemp -d)
trap 'kill $(cat "$work"/pid.* 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT
for i in 1 2 3 4; do
    mkdir "$work/$i"
    "$private_network" bash -c '
        source "$1/scripts/xvfb.sh"
        morvik_xvfb "$2" || exit 1
        echo "$DISPLAY" >"$2/shown"
        echo $MORVIK_XVFB >"$3"
        # Held while the others start.
        sleep 4
        kill $MORVIK_XVFB' _ "$root" "$work/$i" "$work/pid.$i" &
done
wait
shown=$(cat "$work"/*/shown)
[[ $(wc -l <<<"$shown") == 4 ]] || { echo "not every server came up:"; cat "$work"/*/xvfb.err; exit 1; }
[[ $(sort -u <<<"$shown" | wc -l) == 4 ]] || { echo "displays shared: $shown"; exit 1; }
echo ok
