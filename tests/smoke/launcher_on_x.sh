#!/usr/bin/env bash
# ヴェンス on a real X server: with vens_kick=1 he stands 70 pixels left of her and 80 below her
# corner, cut to his outline, and the one entry of his menu starts its script (named to tempt a
# shell) as it is, in the home folder.
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
start_x
script="$SMOKE_WORK/my tool; \$(touch PWNED)"
printf '#!/bin/sh\npwd -P >"$0.part" && mv "$0.part" "$0.marker"\n' >"$script"
chmod +x "$script"
start_morvik "$program" 300 200 vens_kick=1 lunch_name0=テスト "lunch_pass0=$script" lunch_voice0=01

vens() { xdotool search --onlyvisible --classname '^luncher$' 2>/dev/null | head -n 1; }
fuki() { xdotool search --onlyvisible --classname '^fuki$' 2>/dev/null | head -n 1; }
wait_window morvik >/dev/null
id=$(wait_output 200 vens) || { echo "ヴェンス never appeared"; cat "$SMOKE_WORK/stderr"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$id")"
[[ $X == 230 && $Y == 280 && $WIDTH == 72 && $HEIGHT == 100 ]] ||
    { echo "ヴェンス at $X,$Y size ${WIDTH}x$HEIGHT, expected 230,280 size 72x100"; exit 1; }

# Her greeting balloon may stand over him: look once it has closed.
for _ in $(seq 300); do [[ -z $(fuki) ]] && break; sleep 0.1; done
root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
read -r ix iy ox oy < <("$probe" RgnCall4.ShapeLauncher)
for _ in $(seq 60); do
    inside=$(pixel $((X + ix)) $((Y + iy)))
    outside=$(pixel $((X + ox)) $((Y + oy)))
    [[ -n $inside && $inside != "$root" && $outside == "$root" ]] && break
    sleep 0.5
done
[[ -n $inside && $inside != "$root" && $outside == "$root" ]] ||
    { echo "his outline is not shown: inside $inside, outside $outside"; exit 1; }

# His menu: the entry, a separator and ヴェンスを閉じる; the first item starts the script.
her=$(first_window morvik)
for _ in $(seq 20); do
    xdotool mousemove $((X + ix)) $((Y + iy)) click 3
    sleep 0.5
    if [[ $(xdotool search --onlyvisible --class morvik 2>/dev/null | grep -vc "^$her\$") -gt 0 ]]; then
        xdotool key Down Return
        break
    fi
done
for _ in $(seq 100); do [[ -e "$script.marker" ]] && break; sleep 0.1; done
[[ -e "$script.marker" ]] || { echo "his menu did not start the script"; exit 1; }
[[ $(cat "$script.marker") == "$(cd "$HOME" && pwd -P)" ]] ||
    { echo "the script ran in $(cat "$script.marker"), not in the home folder"; exit 1; }
for folder in "$SMOKE_WORK" "$HOME" "$PWD"; do
    [[ ! -e $folder/PWNED ]] || { echo "a shell ran the script's name"; exit 1; }
done
echo ok
