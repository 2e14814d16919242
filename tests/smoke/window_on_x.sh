#!/usr/bin/env bash
# The character window on a real X server: borderless, at its saved place, cut to its outline.
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
start_x
start_morvik "$program" 200 100
wait_window morvik >/dev/null
sleep 5 # past the wake-up animation
read -r wx wy < <(window_place morvik)
[[ $wx == 200 && $wy == 100 ]] || { echo "window at $wx,$wy, expected 200,100"; exit 1; }

root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
read -r ix iy ox oy < <("$probe" RgnCall.ShapeStandard)
corner=$(pixel $((200 + 1)) $((100 + 1)))      # the window's corner lies outside the figure
outside=$(pixel $((200 + ox)) $((100 + oy)))   # so does a pixel just left of the outline
inside=$(pixel $((200 + ix)) $((100 + iy)))
echo "outside $outside inside $inside"
[[ $outside == "$root" && $corner == "$root" ]] ||
    { echo "outside the outline shows $outside / $corner, not the root window"; exit 1; }
[[ $inside != "$root" ]] || { echo "inside the outline shows the root window"; exit 1; }

# A second instance ends at once without a window.
timeout 10 "$program" || { echo "second instance did not end at once"; exit 1; }
[[ $(xdotool search --onlyvisible --class morvik | wc -l) == 1 ]] || { echo "two windows"; exit 1; }
echo "ok"
