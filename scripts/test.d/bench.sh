#!/usr/bin/env bash
# Every benchmark of bench/ once at its smallest size, so that none stops building or running
# unseen: a check that each runs to its end and prints its figures, not a timing. Each one's output
# goes to a log; a line per benchmark when all is well. A benchmark that fails, or whose figures are
# missing from its output, has its log shown and fails the suite once the others have run.
# bench/pop3.sh needs root or sudo rights (its Dovecot's mail belongs to nobody): without them it
# is skipped, saying so. The benchmarks use the build in $MORVIK_BUILD, as scripts/test does.
source "$(dirname "$0")/../lib.sh"
export MORVIK_BUILD MORVIK_JOBS
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
bench=$MORVIK_ROOT/bench
failed=0

# run NAME FIGURES COMMAND...: runs the benchmark with its output in a log; it passes when it ends
# well and the function FIGURES finds its figures in the log.
run() {
    local name=$1 figures=$2 start=$SECONDS missing
    shift 2
    if ! "$@" >"$logs/$name.log" 2>&1; then
        cat "$logs/$name.log"
        echo "bench: $name failed"
        failed=1
        return 0
    fi
    if ! missing=$("$figures" "$logs/$name.log"); then
        cat "$logs/$name.log"
        echo "bench: $name printed no line like: $missing"
        failed=1
        return 0
    fi
    echo "bench: $name: $((SECONDS - start)) s"
}

# lines LOG PATTERN...: whether the log has a line matching each (extended) pattern; prints the
# first one missing.
lines() {
    local log=$1 pattern
    shift
    for pattern in "$@"; do
        grep -Eq "$pattern" "$log" || { echo "$pattern"; return 1; }
    done
}

n='[0-9]+(\.[0-9]+)?'
headline_figures() {
    lines "$1" "^median: engine ${n}s, runners alone ${n}s, ratio $n " "^  rest +${n}s$" \
        "^  read\+store +${n}s$"
}
pop3_figures() {
    lines "$1" "^check +$n s " "^curl-top +$n s " "^download +$n s " "^curl-retr +$n s " \
        '^The Maildir still holds 20 of 20 messages\.$'
}
unpack_figures() {
    lines "$1" "^small: morvik ${n}s, bsdtar ${n}s, ratio $n$" "^large: morvik ${n}s, bsdtar ${n}s, ratio $n$"
}
idle_figures() {
    local program
    for program in morvik 'morvik at HEAD' oneko gnubiff 'bare Qt window, empty 100 ms timer'; do
        lines "$1" "^\| $program \| $n% \| $n MB \| $n \| $n \|$" || return 1
    done
    lines "$1" "^morvik / morvik at HEAD: CPU $n, RSS $n, wake-ups $n$" "^\| morvik \| $n \| $n \|$" \
        "^\| morvik at HEAD \| $n \| $n \|$" "^\| bare Qt window \| $n \| $n \|$"
}
# Every harness built has its row, with executions.
fuzz_figures() {
    local name
    while IFS=$'\t' read -r name _; do
        [[ -n $name ]] || continue
        lines "$1" "^$name +[1-9][0-9]* " || return 1
    done <"$MORVIK_ROOT/build-fuzz/fuzz/harnesses.txt"
    lines "$1" '^edges, features: '
}

run headline.sh headline_figures bash "$bench/headline.sh" 1
if [[ $(id -u) -eq 0 ]] || sudo -n true 2>/dev/null; then
    run pop3.sh pop3_figures bash "$bench/pop3.sh" 20
else
    echo "bench: pop3.sh skipped: it needs root or sudo rights without a password (its mail belongs to nobody)"
fi
run unpack.sh unpack_figures bash "$bench/unpack.sh" 1
# Against the last commit, so that its comparison runs too: its tree is moved on from the last
# revision built there, so only what changed is built again.
run idle.sh idle_figures env SETTLE=1 STRACE_SECONDS=1 MAP_RUNS=1 bash "$bench/idle.sh" --against HEAD 2
# The runs' folders of its own: a developer's findings in build-fuzz stay.
run fuzz.sh fuzz_figures env FUZZ_RUNS="$logs/fuzz-runs" bash "$bench/fuzz.sh" 1
exit "$failed"
