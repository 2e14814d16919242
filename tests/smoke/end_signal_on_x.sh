#!/usr/bin/env bash
# The session ends the character with SIGTERM, a closed terminal with SIGHUP: once her sound has
# started (the greeting balloon is up), she still ends at once, as when the window system closes
# her window, saves her place (right and bottom are written only by that save), and leaves none of
# her temporary files (the mail cache and fetched messages), as 終了 does. At her start, the
# temporary file of a class-registry write that was killed midway goes.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
for signal in TERM HUP; do
    rm -rf "$SMOKE_WORK/home"
    echo half >"$SMOKE_WORK/.classes.reg.morvik-tmp-a1B2c3"
    start_morvik "$program" 200 100
    wait_window fuki >/dev/null # the greeting: the sound device is open by now
    mkdir -p "$MORVIK_HOME/tmp/mail"
    echo cache >"$MORVIK_HOME/tmp/temp.mdb"
    echo message >"$MORVIK_HOME/tmp/mail/1.tmp"
    kill -"$signal" "$SMOKE_APP"
    wait_exit
    [[ ! -e $SMOKE_WORK/.classes.reg.morvik-tmp-a1B2c3 ]] || { echo "the registry's leftover stayed"; exit 1; }
    left=$(find "$MORVIK_HOME/tmp" -type f \( -name temp.mdb -o -name '*.tmp' -o -name '*.mp3' \))
    [[ -z $left ]] || { echo "SIG$signal: left behind: $left"; exit 1; }
    for key in top=200 left=100 right=350 bottom=270; do
        grep -qx "$key" "$MORVIK_HOME/mailSet.ini" || { echo "SIG$signal: mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
    done
done
echo ok
