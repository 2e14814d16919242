#!/usr/bin/env bash
# bench/idle.sh [--against REV]... [SECONDS]: what the resting character costs, beside two other
# resident X programs measured in the same run (oneko, an animated cat, and gnubiff, a GTK mail
# notifier) and a bare Qt window with an empty 100 ms timer (what any Qt program pays for her 100 ms
# beat), each on a private Xvfb server. Prints CPU of one core, RSS, context switches and wake-ups
# (the voluntary ones: a thread that slept woke; the others are preemptions, which the machine's load
# decides) of all threads per second over SECONDS (30) after a settle (SETTLE, 15 s: her bow and the
# greeting's clip are over by then, so she is at rest), her wake-ups by thread, the system calls she
# makes in STRACE_SECONDS (10; strace -c -f), and how fast her window maps after exec beside a bare
# Qt window of the same size (median of MAP_RUNS, 5), with a session bus as every desktop has one
# and without one, where Qt's accessibility bridge has a bus started (dbus-launch) when the event
# loop starts: a bare window shown from its event loop, as she is, pays that too.
# --against REV also builds her program as it was at REV (a git revision: a branch, a tag, a
# commit; given again, at each) and measures it beside today's in the same run, on the same load,
# with the ratios of the two: figures of separate runs differ more than a slip does. The Nth REV's
# tree and build are kept in $MORVIK_BUILD/against/N (a detached git worktree, remove it with git
# worktree remove), moved to whichever revision is asked there next: a later run builds only what
# changed between the two.
# Not a test: figures depend on the machine. Installs what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
against=()
while [[ ${1:-} == --against ]]; do
    [[ -n ${2:-} ]] || { echo "usage: bench/idle.sh [--against REV]... [SECONDS]" >&2; exit 2; }
    against+=("$2")
    shift 2
done
seconds=${1:-30}
settle=${SETTLE:-15}
strace_seconds=${STRACE_SECONDS:-10}
map_runs=${MAP_RUNS:-5}
source "$root/scripts/lib.sh"
morvik_install_deps build bench-idle
morvik_build
morvik=$MORVIK_BUILD/bin/morvik

# Each earlier program: its own tree at REV and its own build, beside today's. Only what she needs
# at rest is built: the program and the dialogue database her greeting speaks from (without it
# her greeting never ends, and she never blinks: a rest that costs less than hers).
declare -A program_of label_of
earlier=()
for rev in "${against[@]}"; do
    commit=$(git -C "$root" rev-parse --verify --quiet "$rev^{commit}") ||
        { echo "bench/idle.sh: no revision $rev in $root" >&2; exit 2; }
    tree=$MORVIK_BUILD/against/${#earlier[@]}
    if [[ -e $tree/.git ]]; then
        git -C "$tree" checkout --detach --force --quiet "$commit"
    else
        git -C "$root" worktree prune
        git -C "$root" worktree add --detach --quiet "$tree" "$commit"
    fi
    cmake -S "$tree" -B "$tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    morvik_compile "$tree/build" --target morvik morvik_heart
    name=earlier${#earlier[@]}
    earlier+=("$name")
    program_of[$name]=$tree/build/bin/morvik
    label_of[$name]="morvik at $rev"
done

work=$(mktemp -d)
pids=()
bus_pid=
cleanup() {
    for p in "${pids[@]}" $bus_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT


# xvfb NAME: starts a private Xvfb; its display number goes to $display.
xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/$1.display" 2>/dev/null &
    pids+=($!)
    echo $! >"$work/$1.xvfb"
    for _ in $(seq 100); do [[ -s $work/$1.display ]] && break; sleep 0.05; done
    display=$(<"$work/$1.display")
}

# A settled program folder: placed, first run done, no sound device needed. Each program has its
# own copy and its own runtime folder: two of hers would otherwise be one instance.
settled_home() { # settled_home NAME: makes the folder, prints it
    mkdir -p "$work/home-$1"
    printf '[%s]\ntop=400\nleft=300\n' "$(id -un)" >"$work/home-$1/mailSet.ini"
    echo "$work/home-$1"
}
mkdir -p "$work/xdg"
export SDL_AUDIODRIVER=dummy

# A session bus of this run's own, as a desktop session has.
dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 3>"$work/bus.address" 4>"$work/bus.pid"
bus_pid=$(<"$work/bus.pid")
bus_address=$(<"$work/bus.address")
export DBUS_SESSION_BUS_ADDRESS=$bus_address

start() { # start NAME COMMAND...: on its own display, with its own folders; records the pid
    local name=$1 display
    shift
    xvfb "$name"
    mkdir -m 700 -p "$work/runtime-$name"
    DISPLAY=:$display HOME=$work/xdg MORVIK_HOME=$(settled_home "$name") XDG_RUNTIME_DIR=$work/runtime-$name \
        QT_QPA_PLATFORM=xcb "$@" >"$work/$name.log" 2>&1 &
    eval "pid_$name=$!"
    pids+=($!)
}

# CPU time in nanoseconds, summed over the threads (schedstat); clock ticks of 10 ms were too coarse
# for programs that use a few of them in half a minute.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
switches() { # switches PID [voluntary_]: the context switches of its threads, all or the voluntary ones
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk -v only="${2:-}" '/ctxt_switches/ && (only == "" || $1 == only "ctxt_switches:") {s += $2} END {print s + 0}'
}
rss_mb() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }

programs=(morvik "${earlier[@]}" oneko gnubiff qt_tick)
start morvik "$morvik"
for name in "${earlier[@]}"; do start "$name" "${program_of[$name]}"; done
start oneko /usr/games/oneko
start gnubiff gnubiff --noconfigure
start qt_tick "$MORVIK_BUILD/bench/bare_window" --tick
label_of[qt_tick]="bare Qt window, empty 100 ms timer"
label() { echo "${label_of[$1]:-$1}"; } # label NAME: the program's name in the tables
sleep "$settle"
declare -A t0 s0 v0 cpu wakes rss
for name in "${programs[@]}"; do
    p=$(eval echo "\$pid_$name")
    [[ -d /proc/$p ]] || { echo "$name did not stay up: $(tail -n 3 "$work/$name.log")" >&2; exit 1; }
    t0[$name]=$(cpu_ns "$p") s0[$name]=$(switches "$p") v0[$name]=$(switches "$p" voluntary_)
done
declare -A tw0
for task in /proc/"$pid_morvik"/task/*; do
    tw0[${task##*/}]=$(awk '/ctxt_switches/ {s += $2} END {print s + 0}' "$task/status")
done
sleep "$seconds"
printf '\nAt rest, %s s after a %s s settle:\n\n' "$seconds" "$settle"
printf '| program | CPU of one core | RSS | context switches/s | wake-ups/s |\n|---|---|---|---|---|\n'
for name in "${programs[@]}"; do
    p=$(eval echo "\$pid_$name")
    t=$(cpu_ns "$p") s=$(switches "$p") v=$(switches "$p" voluntary_)
    cpu[$name]=$((t - t0[$name])) wakes[$name]=$((v - v0[$name])) rss[$name]=$(rss_mb "$p")
    awk -v n="$(label "$name")" -v dt="${cpu[$name]}" -v ds=$((s - s0[$name])) -v dv="${wakes[$name]}" -v sec="$seconds" \
        -v rss="${rss[$name]}" \
        'BEGIN {printf "| %s | %.3f%% | %s MB | %.1f | %.1f |\n", n, 100 * dt / 1e9 / sec, rss, ds / sec, dv / sec}'
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
[[ ${#earlier[@]} -eq 0 ]] || echo
for name in "${earlier[@]}"; do
    printf 'morvik / %s: CPU %s, RSS %s, wake-ups %s\n' "$(label "$name")" "$(ratio "${cpu[morvik]}" "${cpu[$name]}")" \
        "$(ratio "${rss[morvik]}" "${rss[$name]}")" "$(ratio "${wakes[morvik]}" "${wakes[$name]}")"
done

printf '\nWake-ups of morvik by thread (context switches/s):\n\n| thread | /s |\n|---|---|\n'
for task in /proc/"$pid_morvik"/task/*; do
    now=$(awk '/ctxt_switches/ {s += $2} END {print s + 0}' "$task/status")
    awk -v n="$(cat "$task/comm")" -v d=$((now - ${tw0[${task##*/}]:-0})) -v sec="$seconds" \
        'BEGIN {printf "| %s | %.1f |\n", n, d / sec}'
done

printf '\nSystem calls of morvik in %s s at rest (strace -c -f):\n\n' "$strace_seconds"
timeout -s INT "$strace_seconds" strace -c -f -p "$pid_morvik" -o "$work/strace" >/dev/null 2>&1 || true
# Where tracing is not allowed (a container without ptrace), the rest still runs.
[[ -s $work/strace ]] && head -n 22 "$work/strace" || echo "(strace could not attach)"

# Quick to appear: exec to the first MapNotify, on a fresh display each time.
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
map_once() { # map_once NAME RUN COMMAND...: one figure
    local name=$1 run=$2
    shift 2
    xvfb "map$name$run"
    mkdir -m 700 -p "$work/runtime-$name$run"
    DISPLAY=:$display HOME=$work/xdg MORVIK_HOME=$(settled_home "map$name$run") QT_QPA_PLATFORM=xcb \
        XDG_RUNTIME_DIR=$work/runtime-$name$run timeout 20 "$MORVIK_BUILD/bench/map_watch" "$@" || true
    kill "$(<"$work/map$name$run.xvfb")" 2>/dev/null || true
}
map_times() { # map_times SUFFIX: MAP_RUNS runs of each program, taken in turns so all see the same load
    for i in $(seq "$map_runs"); do
        map_once "morvik$1" "$i" "$morvik" >>"$work/map.morvik$1"
        for name in "${earlier[@]}"; do
            map_once "$name$1" "$i" "${program_of[$name]}" >>"$work/map.$name$1"
        done
        map_once "bare$1" "$i" "$MORVIK_BUILD/bench/bare_window" >>"$work/map.bare$1"
        map_once "loop$1" "$i" "$MORVIK_BUILD/bench/bare_window" --from-loop >>"$work/map.loop$1"
    done
}
for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
pids=()
map_times ""
unset DBUS_SESSION_BUS_ADDRESS
map_times .nobus
printf '\nExec to first map, median of %s (ms):\n\n' "$map_runs"
printf '| program | with a session bus | without one |\n|---|---|---|\n'
printf '| morvik | %s | %s |\n' "$(median <"$work/map.morvik")" "$(median <"$work/map.morvik.nobus")"
for name in "${earlier[@]}"; do
    printf '| %s | %s | %s |\n' "$(label "$name")" "$(median <"$work/map.$name")" "$(median <"$work/map.$name.nobus")"
done
printf '| bare Qt window | %s | %s |\n' "$(median <"$work/map.bare")" "$(median <"$work/map.bare.nobus")"
printf '| bare Qt window, shown from its event loop | %s | %s |\n' "$(median <"$work/map.loop")" \
    "$(median <"$work/map.loop.nobus")"
