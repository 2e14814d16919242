#!/usr/bin/env bash
# The character window on a real X server: borderless, at its saved place, cut to its outline.
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
start_x
start_morvik "$program" 200 100
wait_window morvik >/dev/null
wait_outline "$probe" RgnCall.ShapeStandard
[[ $WX == 200 && $WY == 100 ]] || { echo "window at $WX,$WY, expected 200,100"; exit 1; }
root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
corner=$(pixel $((WX + 1)) $((WY + 1))) # the window's corner lies outside the figure
[[ $corner == "$root" ]] || { echo "the corner shows $corner, not the root window"; exit 1; }

# A second instance ends at once without a window.
timeout 10 "$program" || { echo "second instance did not end at once"; exit 1; }
[[ $(xdotool search --onlyvisible --class morvik | wc -l) == 1 ]] || { echo "two windows"; exit 1; }
echo ok
