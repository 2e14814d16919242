#!/usr/bin/env bash
# パルク with "処理完了後、パルクを閉じる" (AutoEnd=1), with the real program on a real X server: while
# the headline window's 一括更新 runs (on a local feed that never ends), his headline chore is
# refused, and he says so; he and his balloon then stay until it has been shown its 5 s, and close
# together after. Called again, a click on his balloon closes both at once.
source "$(dirname "$0")/lib.sh"
program=$1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
export MORVIK_TRACE=$SMOKE_WORK/trace

# Every site on the page server: the first never ends, the rest are missing.
serve_sites 0=/slow

start_x
greeted_at "$program" 700 400 proxy=1 HedAutoRev=1 AutoEnd=1

# Her menu from the bottom: 終了, dokoituの編集, ヘルプ, 設定, ヘッドライン, 常に手前に表示,
# ヴェンスの起動, パルクの起動.
choose_item "$x" "$y" 5
window=$(wait_output 100 xdotool search --onlyvisible --name '^ヘッドライン$') ||
    { echo "the headline window did not open"; exit 1; }
# Away from her, at its design size; 一括更新 lies at the width less 288, the height less 49.
xdotool windowsize "$window" 608 433 windowmove "$window" 0 0
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH - 288 + 32)) $((Y + HEIGHT - 49 + 12)) click 1
wait_output 100 xdotool search --onlyvisible --name '^ヘッドライン更新中$' >/dev/null ||
    { echo "一括更新 showed no progress"; exit 1; }

palk() { xdotool search --onlyvisible --classname '^palk$' 2>/dev/null | head -n 1; }
fuki3() { xdotool search --onlyvisible --classname '^fuki3$' 2>/dev/null | head -n 1; }
both_gone() { [[ -z $(palk) && -z $(fuki3) ]] && echo yes; }
loads() { grep -c ' shape ShapePalk$' "$MORVIK_TRACE" 2>/dev/null || true; }
# call_palk: パルクの起動, and waits until his balloon stands beside him.
call_palk() {
    local before
    before=$(loads)
    choose_item "$x" "$y" 8
    for _ in $(seq 100); do
        (($(loads) > before)) && [[ -n $(palk) && -n $(fuki3) ]] && return 0
        sleep 0.1
    done
    echo "パルク and his refusal never stood together: $(loads) loads; palk '$(palk)', balloon '$(fuki3)'"
    return 1
}

# The refusal's 5 s: he is up with it after 4 s, and gone with it by 7 s.
call_palk || exit 1
sleep 4
[[ -n $(palk) && -n $(fuki3) ]] || { echo "パルク or his refusal went before its time: palk '$(palk)', balloon '$(fuki3)'"; exit 1; }
wait_output 30 both_gone >/dev/null || { echo "パルク stayed after his refusal's time"; exit 1; }

# A click on the balloon closes him with it.
call_palk || exit 1
eval "$(xdotool getwindowgeometry --shell "$(fuki3)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_output 10 both_gone >/dev/null || { echo "a click on his refusal did not close him"; exit 1; }
if grep -q 'palk' "$SMOKE_WORK/stderr"; then echo "palk said something:"; cat "$SMOKE_WORK/stderr"; exit 1; fi
kill -0 "$SMOKE_APP" || { echo "she ended"; exit 1; }
echo ok
