#!/usr/bin/env bash
# bench/headline.sh [RUNS]: how long 一括更新 takes, beside the same runner and plug-in runs alone.
# Every shipped site (row 21 too) is pointed at a local page of 30 to 200 KB (bench/headline_pages.py:
# RSS 2.0, RSS 1.0 and Atom in UTF-8, Shift_JIS and EUC-JP; the anime schedule of this month) served
# by the tests' page server. The engine's update of all sites (bench/headline_bench.cpp) runs RUNS
# times (5 by default); so does one shell loop that runs vorla11 or vorla10 with each site's plug-in on
# its page, and the two schedule plug-ins on theirs. Prints the median of each, their ratio (the goal
# is at most 2) and the engine's median split by step. Not a test: figures depend on the machine.
# Installs what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
source "$root/scripts/lib.sh"
morvik_install_deps build bench-headline
morvik_build
work=$(mktemp -d)
server=
cleanup() {
    [[ -n $server ]] && kill "$server" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

b=$MORVIK_BUILD

python3 "$root/bench/headline_pages.py" "$work/pages"
python3 "$root/tests/support/page_server.py" --dir "$work/pages" >"$work/port" &
server=$!
for _ in $(seq 50); do [[ -s $work/port ]] && break; sleep 0.1; done
port=$(head -1 "$work/port")

# The shipped table with its addresses made local.
mkdir -p "$work/source" "$work/clips" "$work/home"
python3 - "$root/assets/dialogue/tables/hedline.txt" "$work/source/hedline.txt" "$port" <<'PY'
import sys
source, target, port = sys.argv[1], sys.argv[2], sys.argv[3]
out = []
for line in open(source, encoding="utf-8"):
    fields = [f.strip() for f in line.rstrip("\n").split("|")]
    if len(fields) == 11 and fields[0].isdigit():
        site = int(fields[0])
        fields[7] = (f"http://127.0.0.1:{port}/feeds/{site}.xml" if site < 21
                     else f"http://127.0.0.1:{port}/anime/")
        line = " | ".join(fields) + "\n"
    out.append(line)
open(target, "w", encoding="utf-8").writelines(out)
PY
"$b/bin/morvik_heart_build" --output "$work/heart.mdb" --clips "$work/clips" --plugins "$b/lib/headline" \
    --version 1 "$work/source/hedline.txt"

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

echo "The engine, $runs runs (seconds):"
MORVIK_HOME=$work/home MORVIK_BIN=$b/bin "$b/bench/headline_bench" "$work/heart.mdb" "$runs" | tee "$work/engine"
engine=$(awk 'NR > 1 {print $2}' "$work/engine" | median)

# The same runs from one script: each site's runner and plug-in on its page, the schedule's two.
month=$(date +%Y/%Y%m)
alone() {
    local start end site runner plugin
    start=$(date +%s.%N)
    for site in $(seq 0 20); do
        runner=vorla11 plugin=feed11.so
        "$b/bin/$runner" "$b/lib/headline/$plugin" "$work/pages/feeds/$site.xml" >"$work/out.txt"
    done
    "$b/bin/vorla10" "$b/lib/headline/schedule_day.so" "$work/pages/anime/$month.html" >"$work/out1.txt"
    "$b/bin/vorla10" "$b/lib/headline/schedule_show.so" "$work/pages/anime/$month.html" >"$work/out2.txt"
    end=$(date +%s.%N)
    echo "$start $end" | awk '{printf "%.3f\n", $2 - $1}'
}
echo "The runners alone, $runs runs (seconds):"
for _ in $(seq "$runs"); do alone; done | tee "$work/alone"
theirs=$(median <"$work/alone")

echo
echo "median: engine ${engine}s, runners alone ${theirs}s, ratio $(echo "$engine $theirs" | awk '{printf "%.2f", $1 / $2}') (goal: at most 2)"
names=(total rest fetch convert runner read+store)
for i in 3 4 5 6 7; do
    printf '  %-12s %ss\n' "${names[i - 2]}" "$(awk -v c="$i" 'NR > 1 {print $c}' "$work/engine" | median)"
done
