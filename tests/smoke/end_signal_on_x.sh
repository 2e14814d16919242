#!/usr/bin/env bash
# The session ends the character with SIGTERM: once her sound has started (the greeting balloon is
# up), she still ends at once, as when the window system closes her window, keeping the place she
# was moved to.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
start_morvik "$program" 200 100
wait_window fuki >/dev/null # the greeting: the sound device is open by now
id=$(wait_window morvik)
xdotool windowmove "$id" 320 240
for _ in $(seq 50); do [[ $(window_place morvik) == "320 240" ]] && break; sleep 0.1; done
[[ $(window_place morvik) == "320 240" ]] || { echo "the window did not move"; exit 1; }
kill -TERM "$SMOKE_APP"
wait_exit
for key in top=320 left=240; do
    grep -qx "$key" "$MORVIK_HOME/mailSet.ini" || { echo "mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
done
echo ok
