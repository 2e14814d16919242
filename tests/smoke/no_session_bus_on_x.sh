#!/usr/bin/env bash
# Where no session bus runs (no DBUS_SESSION_BUS_ADDRESS), she goes without one: she starts no bus
# of her own (the autolaunch of libdbus and GLib through dbus-launch, whose daemon would outlive
# her), so none is left after she ends.
source "$(dirname "$0")/lib.sh"
program=$1
unset DBUS_SESSION_BUS_ADDRESS
start_x
# buses: this user's dbus-daemon and dbus-launch processes started for this test's display (an
# autolaunched bus leaves her as a daemon, no child of hers, and keeps her display).
buses() {
    local pid
    for pid in $(pgrep -u "$(id -u)" '^dbus-(da|la)'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && echo "$pid"
    done
    return 0
}
start_morvik "$program" 200 100
wait_window morvik >/dev/null
wait_window fuki >/dev/null # the greeting: start-up and its first uses of the bus are over
kill -TERM "$SMOKE_APP"
wait_exit
left=$(buses)
if [[ -n $left ]]; then
    echo "a bus of hers is left running:"
    ps -o pid,args -p "${left//$'\n'/,}"
    kill $left
    exit 1
fi
echo ok
