#!/usr/bin/env bash
# パルク on a real X server: with palk_kick=1 he stands 90 pixels right of her corner and 105 above
# it, 75 x 100, cut to his outline, and floats (fuwafuwa=1); proxy=1 counts as online and no chore is
# on, so his load does nothing more. His menu's last item closes him; her パルクの起動 brings him
# back, and with AutoEnd=1 he closes once his chores are done (the start-up leaves him up).
source "$(dirname "$0")/lib.sh"
program=$1 probe=$2
# No NetworkManager here: the dial-up object finds no connection.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
# Her record of frames: each load of him marks his outline.
export MORVIK_TRACE=$SMOKE_WORK/trace
start_x
start_morvik "$program" 300 200 palk_kick=1 fuwafuwa=1 proxy=1 AutoEnd=1

palk() { xdotool search --onlyvisible --classname '^palk$' 2>/dev/null | head -n 1; }
fuki() { xdotool search --onlyvisible --classname '^fuki$' 2>/dev/null | head -n 1; }
wait_window morvik >/dev/null
id=$(wait_output 300 palk) || { echo "パルク never appeared"; cat "$SMOKE_WORK/stderr"; exit 1; }

# He floats: his left stays at 390, his top moves between 95 and 98.
tops=()
for _ in $(seq 20); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [[ $X == 390 && $WIDTH == 75 && $HEIGHT == 100 && $Y -ge 95 && $Y -le 98 ]] ||
        { echo "パルク at $X,$Y size ${WIDTH}x$HEIGHT, expected 390,95..98 size 75x100"; exit 1; }
    tops+=("$Y")
    sleep 0.1
done
[[ $(printf '%s\n' "${tops[@]}" | sort -u | wc -l) -gt 1 ]] || { echo "パルク does not float: tops ${tops[*]}"; exit 1; }

# Her greeting balloon may stand over him: look once it has closed. He floats, so a look counts
# only when he stood at the same place before and after it.
for _ in $(seq 300); do [[ -z $(fuki) ]] && break; sleep 0.1; done
root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
read -r ix iy ox oy < <("$probe" RgnCall4.ShapePalk)
shown=
for _ in $(seq 100); do
    read -r x1 y1 < <(xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
    inside=$(pixel $((x1 + ix)) $((y1 + iy)))
    outside=$(pixel $((x1 + ox)) $((y1 + oy)))
    read -r x2 y2 < <(xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
    if [[ $x1,$y1 == "$x2,$y2" && -n $inside && $inside != "$root" && $outside == "$root" ]]; then
        shown=1
        break
    fi
    sleep 0.1
done
[[ -n $shown ]] || { echo "his outline is not shown: inside $inside, outside $outside"; exit 1; }

# His menu's last item, パルクを閉じる, closes him.
her=$(first_window morvik)
close_palk() {
    local id x y
    id=$(wait_output 100 palk) || { echo "パルク is not there to be closed"; return 1; }
    for _ in $(seq 20); do
        read -r x y < <(xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
        xdotool mousemove $((x + ix)) $((y + iy)) click 3
        sleep 0.5
        if [[ $(xdotool search --onlyvisible --class morvik 2>/dev/null | grep -vc -e "^$her\$" -e "^$id\$") -gt 0 ]]; then
            xdotool key Up Return
            for _ in $(seq 50); do [[ -z $(palk) ]] && return 0; sleep 0.1; done
            break
        fi
    done
    echo "his menu did not close him"
    return 1
}
# Her menu from the bottom: 終了, dokoituの編集, ヘルプ, 設定, ヘッドライン, 常に手前に表示,
# ヴェンスの起動, パルクの起動 (シャットダウン is off, 非表示 hidden without a tray, and neither
# dial-up item is shown on a LAN).
read -r wx wy < <(window_place morvik)
choose_palk() {
    choose_item $((wx + 75)) $((wy + 150)) 8
}
# AutoEnd is the menu's to act on: the start-up left him up.
close_palk
# Without AutoEnd her パルクの起動 brings him back, and he stays.
sed -i 's/^AutoEnd=1$/AutoEnd=0/' "$MORVIK_HOME/mailSet.ini"
choose_palk
wait_output 100 palk >/dev/null || { echo "パルクの起動 did not bring him back"; exit 1; }
sleep 1
[[ -n $(palk) ]] || { echo "パルク closed without AutoEnd"; exit 1; }
close_palk
# With AutoEnd=1 he does his chores (none) and closes at once: too soon, maybe, to be seen mapped,
# so his coming up is read from the trace, where each load of him cuts his outline once.
sed -i 's/^AutoEnd=0$/AutoEnd=1/' "$MORVIK_HOME/mailSet.ini"
loads() { grep -c ' shape ShapePalk$' "$MORVIK_TRACE" 2>/dev/null || true; }
before=$(loads)
choose_palk
came() { (($(loads) > before)) && echo yes; }
gone() { [[ -z $(palk) ]] && echo yes; }
wait_output 100 came >/dev/null || { echo "パルクの起動 did not open him with AutoEnd=1"; exit 1; }
wait_output 20 gone >/dev/null || { echo "パルク stayed after his chores with AutoEnd=1"; exit 1; }
if grep -q 'palk' "$SMOKE_WORK/stderr"; then echo "palk said something:"; cat "$SMOKE_WORK/stderr"; exit 1; fi
kill -0 "$SMOKE_APP" || { echo "she ended"; exit 1; }

choose_end $((wx + 75)) $((wy + 150))
wait_exit
echo ok
