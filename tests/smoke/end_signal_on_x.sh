#!/usr/bin/env bash
# The session ends the character with SIGTERM: once her sound has started (the greeting balloon is
# up), she still ends at once, as when the window system closes her window, saves her place
# (right and bottom are written only by that save), and leaves none of her temporary files (the
# mail cache and fetched messages), as 終了 does.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
start_morvik "$program" 200 100
wait_window fuki >/dev/null # the greeting: the sound device is open by now
mkdir -p "$MORVIK_HOME/tmp/mail"
echo cache >"$MORVIK_HOME/tmp/temp.mdb"
echo message >"$MORVIK_HOME/tmp/mail/1.tmp"
kill -TERM "$SMOKE_APP"
wait_exit
left=$(find "$MORVIK_HOME/tmp" -type f \( -name temp.mdb -o -name '*.tmp' -o -name '*.mp3' \))
[[ -z $left ]] || { echo "left behind: $left"; exit 1; }
for key in top=200 left=100 right=350 bottom=270; do
    grep -qx "$key" "$MORVIK_HOME/mailSet.ini" || { echo "mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
done
echo ok
