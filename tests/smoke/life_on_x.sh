#!/usr/bin/env bash
# The character's life on a real X server: she wakes up at her saved place in the standard pose,
# and "終了" from her menu ends the program within its farewell time, saving her place.
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
start_x
start_morvik "$program" 300 200 temae=1
wait_window morvik >/dev/null
sleep 5 # the wake-up animation takes about three seconds
read -r wx wy < <(window_place morvik)
[[ $wx == 300 && $wy == 200 ]] || { echo "window at $wx,$wy, expected 300,200"; exit 1; }

read -r ix iy ox oy < <("$probe" RgnCall.ShapeStandard)
root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
inside=$(pixel $((wx + ix)) $((wy + iy)))
outside=$(pixel $((wx + ox)) $((wy + oy)))
[[ $inside != "$root" && $outside == "$root" ]] ||
    { echo "not in the standard outline: inside $inside, outside $outside"; exit 1; }

# Right-click her, pick the last item of the menu (終了) with the keyboard.
xdotool mousemove $((wx + ix)) $((wy + iy)) click 3
sleep 1
xdotool key Up Return
for _ in $(seq 100); do
    kill -0 "$SMOKE_APP" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$SMOKE_APP" 2>/dev/null; then echo "still running 10 s after 終了"; exit 1; fi
wait "$SMOKE_APP" || { echo "exit status $?"; cat "$SMOKE_WORK/stderr"; exit 1; }
SMOKE_APP=

for key in top=300 left=200 right=450 bottom=370 temae=1; do
    grep -qx "$key" "$MORVIK_HOME/mailSet.ini" || { echo "mailSet.ini lacks $key"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
done
echo ok
