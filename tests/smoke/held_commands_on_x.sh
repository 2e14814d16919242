#!/usr/bin/env bash
# Commands given while she moves, with the real program and its real timers on a real X server:
# each is judged as it is given, and none replaces what she says at the end of the movement.
# - A double-click 0.3 s after メールを確認する (in the check's first poses) does nothing, then or
#   later: the check's failure balloon is the only one she opens, and it stays for its clip.
# - A double-click 1 s into the melting of a ZIP: the result balloon opens and stays.
# - A second ZIP dropped 1 s into the melting of a first is refused (its drag source is told so) and
#   not unpacked; the first one's result balloon opens and stays.
# - 終了 chosen about 1 s into a melting: the result balloon opens and stays, and she ends once it
#   has been closed.
source "$(dirname "$0")/lib.sh"
program=$1 drag_source=$2
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
refusing=11001 # a network of its own: the port is free
trace=$SMOKE_WORK/trace
export MORVIK_TRACE=$trace
drop_home
python3 - "$files" <<'EOF'
import sys, zipfile
for name in ("first", "second", "third", "fourth"):
    with zipfile.ZipFile(f"{sys.argv[1]}/{name}.zip", "w") as z:
        z.writestr("a/b.txt", "hello")
EOF

start_pop3_peers "$refusing"
mail_accounts taro:wrong

start_x
# Online without a dial-up (proxy), no timed checks; her balloon closes by itself only as its clip ends.
start_greeted "$program" proxy=1 mailcheckF=0 fukiClose=0 portSV1=$refusing

# marks_after PATTERN: the trace's lines from the first one matching PATTERN on.
marks_after() { awk -v p="$1" '$0 ~ p {on=1} on' "$trace"; }
# one_balloon_stays LINES MS: in the given trace lines one balloon opens, nothing else is said in
# it, and nothing closes it for MS milliseconds (the end of her clip may close it; a click, here,
# none).
one_balloon_stays() {
    awk -v ms="$2" '/ balloon open$/ {opened++; if (!at) at = $1} / balloon closed$/ && at && !shut {shut = $1}
         END {exit !(opened == 1 && (!shut || shut - at >= ms))}' <<<"$1"
}
double_click() { xdotool mousemove "$x" "$y" click --repeat 2 --delay 60 1; }
# Closes her balloon with a click and waits for the trace to say so.
close_balloon() {
    local before
    before=$(grep -c ' balloon closed$' "$trace" || true)
    xdotool mousemove "$x" "$y" click 1
    for _ in $(seq 50); do
        (($(grep -c ' balloon closed$' "$trace" || true) > before)) && return 0
        sleep 0.1
    done
    echo "her balloon did not close on a click"
    return 1
}

# 1. The check: メールを確認する, her menu's first item, then a double-click 0.3 s later.
: >"$trace"
[[ -z $(first_window fuki) ]] || { echo "a balloon stands before the check"; exit 1; }
choose_first "$x" "$y"
sleep 0.3
double_click
for _ in $(seq 300); do
    awk '/ShapePose09/{p=1} p && /ShapePose07/{found=1} END{exit !found}' "$trace" && break
    sleep 0.1
done
sleep 3
check=$(marks_after ShapePose07)
[[ -n $check ]] || { echo "the check never ended"; cat "$trace"; exit 1; }
one_balloon_stays "$(cat "$trace")" 0 ||
    { echo "the check's failure balloon was not the only one, or did not stay:"; cat "$trace"; exit 1; }
grep -q "play temp16.mp3" "$trace" || { echo "no failure said"; cat "$trace"; exit 1; }
[[ -z $(first_window fuki) ]] || close_balloon

# drag SOURCE_Y SLOW|QUICK: drags from the drag source at (40, SOURCE_Y) onto her body; the quick
# drag lets go about a second after it starts.
drag() {
    local sy=$1 pause=0.3
    [[ $2 == quick ]] && pause=0.1
    xdotool mousemove 60 $((sy + 20)) sleep 0.2 mousedown 1 sleep $pause mousemove 150 $((sy + 80)) sleep $pause \
        mousemove $((x - 5)) $((y - 45)) sleep $pause mousemove "$x" $((y - 40)) sleep 0.3 mouseup 1
}
# source NAME FILE Y: starts a drag source of FILE at (40, Y), its outcome in NAME.log.
source_at() {
    "$drag_source" 40 "$3" "$2" >"$SMOKE_WORK/$1.log" 2>&1 &
    stop_at_exit $!
    wait_output 50 grep -x ready "$SMOKE_WORK/$1.log" >/dev/null || { echo "the drag source did not start"; exit 1; }
}
# result_stays: after the drop's melting, one balloon opens and is still up 3 s later.
result_stays() {
    local after
    for _ in $(seq 100); do
        [[ -n $(marks_after 'picture gra4[.]Image1[(]18[)]') ]] && break
        sleep 0.1
    done
    sleep 3
    after=$(marks_after 'picture gra4[.]Image1[(]18[)]')
    [[ -n $after ]] || { echo "she never ended the melting"; cat "$trace"; return 1; }
    one_balloon_stays "$after" 1000 && [[ -n $(first_window fuki) ]] ||
        { echo "the unpack's result did not stay:"; cat "$trace"; return 1; }
}

# 2. A double-click 1 s into a melting.
: >"$trace"
source_at one "$files/first.zip" 40
drag 40 slow
sleep 1
double_click
result_stays || exit 1
[[ -e $HOME/Desktop/first/a/b.txt ]] || { echo "the first ZIP was not unpacked"; exit 1; }
close_balloon

# 3. A second ZIP dropped about 1 s into the melting of a third.
: >"$trace"
source_at two "$files/second.zip" 140
source_at three "$files/third.zip" 240
drag 240 slow
sleep 0.2
drag 140 quick
result_stays || exit 1
wait_output 30 grep -x "dropped 0" "$SMOKE_WORK/two.log" >/dev/null ||
    { echo "the drop during the melting was not refused: $(cat "$SMOKE_WORK/two.log")"; exit 1; }
grep -qx "dropped 1" "$SMOKE_WORK/three.log" || { echo "the first drop was not taken"; exit 1; }
[[ -e $HOME/Desktop/third/a/b.txt ]] || { echo "the first ZIP was not unpacked"; exit 1; }
[[ ! -e $HOME/Desktop/second ]] || { echo "the refused ZIP was unpacked"; exit 1; }
kill -0 "$SMOKE_APP" || { echo "she ended"; exit 1; }
close_balloon

# 4. 終了 about 1 s into a melting: not lost, and not over the result either.
: >"$trace"
source_at four "$files/fourth.zip" 340
drag 340 slow
sleep 0.5
choose_end "$x" "$y"
result_stays || exit 1
awk '/ menu settei$/ {menu = 1} /picture gra4[.]Image1[(]18[)]/ {exit !menu}' "$trace" ||
    { echo "終了 was not chosen while she melted"; cat "$trace"; exit 1; }
kill -0 "$SMOKE_APP" || { echo "she ended over the unpack's result"; exit 1; }
close_balloon
wait_exit || { echo "終了 was lost"; cat "$trace"; exit 1; }
echo ok
