#!/usr/bin/env bash
# The character's life on a real X server: she wakes up at her saved place in the standard pose,
# with none of the libraries that only a drop, a mail check or a launch needs loaded, and "終了"
# from her menu ends the program within its farewell time, saving her place.
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
start_x
start_morvik "$program" 300 200 temae=1
wait_window morvik >/dev/null
sleep 4 # the wake-up animation takes about three seconds
wait_outline "$probe" RgnCall.ShapeStandard
[[ $WX == 300 && $WY == 200 ]] || { echo "window at $WX,$WY, expected 300,200"; exit 1; }
loaded=$(lazy_libraries_loaded "$SMOKE_APP")
[[ -z $loaded ]] || { echo "loaded at rest:" $loaded; exit 1; }

read -r ix iy _ < <("$probe" RgnCall.ShapeStandard)
choose_end $((WX + ix)) $((WY + iy))
wait_exit
for key in top=300 left=200 right=450 bottom=370 temae=1; do
    grep -qx "$key" "$MORVIK_HOME/mailSet.ini" || { echo "mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
done
echo ok
