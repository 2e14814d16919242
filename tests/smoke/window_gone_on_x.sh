#!/usr/bin/env bash
# Her window destroyed from outside, with no close request before (`xdotool windowclose`, as a
# window manager's kill of the window does), ends her as the session's SIGTERM does: she keeps her
# place, leaves none of her temporary files, and the next start comes up. Her whole client killed
# (`xdotool windowkill`, XKillClient) ends her too, her temporary files going with her.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
for way in windowclose windowkill; do
    rm -rf "$SMOKE_WORK/home"
    start_morvik "$program" 200 100
    id=$(wait_window morvik)
    wait_window fuki >/dev/null # the greeting: the sound device is open by now
    mkdir -p "$MORVIK_HOME/tmp/mail"
    echo cache >"$MORVIK_HOME/tmp/temp.mdb"
    echo message >"$MORVIK_HOME/tmp/mail/1.tmp"
    xdotool "$way" "$id"
    for _ in $(seq 200); do
        kill -0 "$SMOKE_APP" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$SMOKE_APP" 2>/dev/null && { echo "$way: still running 20 s after her window went"; exit 1; }
    status=0
    wait "$SMOKE_APP" || status=$?
    SMOKE_APP=
    left=$(find "$MORVIK_HOME/tmp" -type f \( -name temp.mdb -o -name '*.tmp' -o -name '*.mp3' \))
    [[ -z $left ]] || { echo "$way: left behind: $left"; cat "$SMOKE_WORK/stderr"; exit 1; }
    if [[ $way == windowclose ]]; then
        # As after SIGTERM: a clean end, her place kept (right and bottom are written only then).
        [[ $status == 0 ]] || { echo "$way: exit status $status"; cat "$SMOKE_WORK/stderr"; exit 1; }
        for key in top=200 left=100 right=350 bottom=270; do
            grep -qx "$key" "$MORVIK_HOME/mailSet.ini" ||
                { echo "$way: mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
        done
    fi
    # No instance is left holding the lock: the next start shows her.
    start_morvik "$program" 200 100
    wait_window morvik >/dev/null || { echo "$way: the next start showed no window"; exit 1; }
    kill "$SMOKE_APP"
    wait_exit
done
echo ok
