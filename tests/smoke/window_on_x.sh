#!/usr/bin/env bash
# The character window on a real X server: borderless, at its saved place, cut to its outline.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
export MORVIK_HOME=$SMOKE_WORK/home
mkdir -p "$MORVIK_HOME"
section=$(id -un)
printf '[%s]\ntop=200\nleft=100\n' "$section" >"$MORVIK_HOME/mailSet.ini"

"$program" 2>"$SMOKE_WORK/stderr" &
SMOKE_APP=$!
wait_window morvik >/dev/null
sleep 1
read -r wx wy < <(xdotool search --onlyvisible --class morvik getwindowgeometry --shell | \
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
[[ $wx == 200 && $wy == 100 ]] || { echo "window at $wx,$wy, expected 200,100"; exit 1; }

root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
outside=$(pixel $((200 + 2)) $((100 + 2)))    # the window's corner lies outside the figure
inside=$(pixel $((200 + 80)) $((100 + 120)))  # the middle of the body lies inside it
echo "outside $outside inside $inside"
[[ $outside == "$root" ]] || { echo "outside the outline shows $outside, not the root window"; exit 1; }
[[ $inside != "$root" ]] || { echo "inside the outline shows the root window"; exit 1; }

# A second instance ends at once without a window.
timeout 10 "$program" || { echo "second instance did not end at once"; exit 1; }
[[ $(xdotool search --onlyvisible --class morvik | wc -l) == 1 ]] || { echo "two windows"; exit 1; }
echo "ok"
