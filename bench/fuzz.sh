#!/usr/bin/env bash
# bench/fuzz.sh [SECONDS] [HARNESS...]: fuzzes every harness of fuzz/ (or those named) for SECONDS
# each (600 by default), one after the other, in one process at a time, from its corpus
# fuzz/corpus/<harness>/ with its dictionary. Prints per harness the executions, the corpus size at
# the end, the coverage at the start and how much the run added to it (edges, and libFuzzer's finer
# features), and the findings.
#
# A finding is an input that crashes, leaks, trips undefined behaviour or a harness's own check, or
# takes over 1 s: the run goes on past it and keeps it in build-fuzz/fuzz-runs/<harness>/findings/
# (crash-*, leak-*, timeout-*, oom-*). Fix the parser, then copy the input into the harness's corpus
# so the regression run of scripts/test keeps it. The new inputs a run found stay in
# build-fuzz/fuzz-runs/<harness>/corpus/ (merge the useful ones with the harness's -merge=1).
# FUZZ_RUNS names another folder for the runs (each harness's is emptied as its run begins).
# Not a test: what it finds depends on time and luck. Installs what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
source "$root/scripts/lib.sh"
morvik_install_deps test-fuzz
morvik_fuzz_build
runs=${FUZZ_RUNS:-$root/build-fuzz/fuzz-runs}

# field LINE NAME: the number after "NAME: " (or "NAME ") in one of libFuzzer's status lines.
field() { sed -n "s/.*[ #]$2:\{0,1\} \([0-9]*\).*/\1/p" <<<"$1"; }

printf '%-16s %12s %8s %7s %11s %12s %9s\n' harness executions exec/s corpus edges features findings
while IFS=$'\t' read -r name program corpus dict; do
    [[ -n $name ]] || continue
    if (($# > 0)) && [[ " $* " != *" $name "* ]]; then
        continue
    fi
    dir=$runs/$name
    rm -rf "$dir"
    mkdir -p "$dir/corpus" "$dir/findings" "$dir/tmp"
    options=(-timeout=1 -rss_limit_mb=2048)
    [[ $dict == - ]] || options+=("-dict=$dict")
    # The coverage of the corpus as it is, then the run itself; the scratch folders of the harness
    # stay inside the run's folder.
    TMPDIR=$dir/tmp "$program" "${options[@]}" -runs=0 "$corpus" >"$dir/start.log" 2>&1 || true
    start=$(grep -m1 'INITED' "$dir/start.log" || true)
    TMPDIR=$dir/tmp "$program" "${options[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -artifact_prefix="$dir/findings/" "$dir/corpus" "$corpus" \
        >"$dir/run.log" 2>&1 || true
    # The corpus at the end, measured as the one at the start was.
    TMPDIR=$dir/tmp "$program" "${options[@]}" -runs=0 "$dir/corpus" "$corpus" >"$dir/end.log" 2>&1 || true
    end=$(grep -m1 'INITED' "$dir/end.log" || true)
    last=$(grep -E '^#[0-9]+: cov:' "$dir/run.log" | tail -1 || true)
    executions=$(sed -n 's/^#\([0-9]*\):.*/\1/p' <<<"$last")
    time=$(field "$last" time)
    gained() { # gained NAME: the count at the start, "+" what the run added
        local from to
        from=$(field "$start" "$1")
        to=$(field "$end" "$1")
        echo "${from:-?}+$((${to:-0} - ${from:-0}))"
    }
    findings=$(find "$dir/findings" -type f | wc -l)
    printf '%-16s %12s %8s %7s %11s %12s %9s\n' "$name" "${executions:-0}" "$((${executions:-0} / ${time:-1}))" \
        "$(field "$end" corp)" "$(gained cov)" "$(gained ft)" "$findings"
    rm -rf "$dir/tmp"
done <"$MORVIK_FUZZ_LIST"
echo "edges, features: covered by the corpus at the start + added by the run; findings and logs in $runs/"
