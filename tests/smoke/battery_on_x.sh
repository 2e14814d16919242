#!/usr/bin/env bash
# The battery watch on a real X server with its real timers, on a power-supply folder of the test's
# own: once she is at rest after her greeting, the mains unplugged shows her battery poses and the
# gauge with the charge within a moment, and the mains plugged in again brings her standing pose
# back, also within a moment. Nothing else happens meanwhile (no input, no balloon): the change
# alone must wake her watch.
source "$(dirname "$0")/lib.sh"
program=$1
trace=$SMOKE_WORK/trace
export MORVIK_TRACE=$trace

power=$SMOKE_WORK/power
mkdir -p "$power/AC" "$power/BAT0"
printf 'Mains\n' >"$power/AC/type"
printf '1\n' >"$power/AC/online"
printf 'Battery\n' >"$power/BAT0/type"
printf '1\n' >"$power/BAT0/present"
printf 'Charging\n' >"$power/BAT0/status"
printf '64\n' >"$power/BAT0/capacity"
export MORVIK_POWER_SUPPLY=$power

# set_attribute FILE VALUE: written whole, as the kernel's attribute changes at once.
set_attribute() {
    printf '%s\n' "$2" >"$1.new"
    mv "$1.new" "$1"
}
# seen_within MS PATTERN: whether a trace line after the first $mark lines matches PATTERN within
# MS milliseconds; prints how long it took.
seen_within() {
    local limit=$1 pattern=$2 start now
    start=$(date +%s%N)
    while :; do
        if tail -n +"$((mark + 1))" "$trace" | grep -qE "$pattern"; then
            now=$(date +%s%N)
            echo $(((now - start) / 1000000))
            return 0
        fi
        now=$(date +%s%N)
        (((now - start) / 1000000 > limit)) && return 1
        sleep 0.02
    done
}

start_x
start_greeted "$program" batflag=1 proxy=1 mailcheckF=0 jiho=0
# At rest: the greeting is over, and her wake-up poses with it.
sleep 2
grep -q 'shape ShapePose04' "$trace" && { echo "battery poses on mains"; cat "$trace"; exit 1; }

# flip WHAT ONLINE STATUS FIRST LAST SHOT: the supplies set so, and no input given: her watch asks
# ten times a second, so the change's first pose FIRST must come within a moment (a watch that
# waited for the next blink, 3.5 s, is too late), and LAST after it; the screen is kept as SHOT
# in $BATTERY_SHOTS, when given.
flip() {
    local what=$1 took
    mark=$(wc -l <"$trace")
    set_attribute "$power/AC/online" "$2"
    set_attribute "$power/BAT0/status" "$3"
    took=$(seen_within 1500 " shape $4\$") || { echo "$what was not seen within 1.5 s"; cat "$trace"; exit 1; }
    echo "$what: seen after $took ms"
    seen_within 3000 " shape $5\$" >/dev/null || { echo "no $5 after $what"; cat "$trace"; exit 1; }
    sleep 0.5
    if [[ -n ${BATTERY_SHOTS:-} ]]; then import -window root "$BATTERY_SHOTS/$6.png"; fi
}
# Unplugged: the change to battery takes its two poses and then the battery pose with the gauge.
flip unplugging 0 Discharging ShapePose04 ShapePose05 battery
# Plugged in again: the two poses back and the standing pose.
flip "plugging in" 1 Charging ShapePose03 ShapeStandard mains
# On mains she stays as she is: no battery pose comes after the standing one.
sleep 1
awk -v m="$mark" 'NR > m && / shape ShapeStandard$/ {s = 1} s && / shape ShapePose05$/ {bad = 1} END {exit bad}' "$trace" ||
    { echo "a battery pose came back on mains"; cat "$trace"; exit 1; }
kill -0 "$SMOKE_APP" || { echo "she ended"; cat "$SMOKE_WORK/stderr"; exit 1; }
echo ok
