#!/usr/bin/env bash
# A manual mail check on a real X server, with one account that refuses the password and one that
# never answers: her checking pose stays while the second is asked (the first one's failure balloon
# ends meanwhile and does not put her to rest), the check ends on its end poses and says the
# failure (voice 16) then, and a right-click given while she waits is dropped: her menu does not
# pop up afterwards, neither when the check ends nor at the next move of the pointer.
source "$(dirname "$0")/lib.sh"
program=$1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
refusing=11001 silent=11002 # a network of its own: the ports are free
trace=$SMOKE_WORK/trace
export MORVIK_TRACE=$trace

# The two POP3 servers: one greets and refuses the password, one takes the connection and says
# nothing at all.
start_pop3_peers "$refusing" "$silent"
mail_accounts taro:wrong jiro:secret

start_x
# Online without a dial-up (proxy), no timed checks: only the check asked for runs.
start_greeted "$program" proxy=1 mailcheckF=0 flag2=1 portSV1=$refusing portSV2=$silent

# メールを確認する, her menu's first item.
choose_first "$x" "$y"
wait_output 100 grep -m1 ShapePose09 "$trace" >/dev/null || { echo "the check never took its pose"; cat "$trace"; exit 1; }
wait_output 100 grep -x "silent connected" "$PEER_LOG" >/dev/null || { echo "the second account was never asked"; cat "$PEER_LOG"; exit 1; }
menus_before=$(grep -c "menu settei" "$trace")
# While the silent server is waited for: a right-click and a left click on her, given and dropped.
sleep 3
xdotool mousemove $x $y click 3
sleep 0.3
xdotool click 1

# The check ends once the silent account's limit has passed.
for _ in $(seq 600); do
    awk '/ShapePose09/{p=1} p && /ShapePose07/{found=1} END{exit !found}' "$trace" && break
    sleep 0.1
done
sleep 3
xdotool mousemove $((x + 5)) $((y + 5))
sleep 1

# From her checking pose to her end poses, no other pose: the failure balloon's end did not put her
# to rest.
# (Her balloons take outlines too: only her own count.)
between=$(awk '/ShapePose09/{p=1; next} p && /ShapePose08/{exit} p && /^[0-9]+ shape / && !/ShapeBalloon/{print}' "$trace")
[[ -z $between ]] || { echo "poses while the servers were asked:"; echo "$between"; cat "$trace"; exit 1; }
grep -q "balloon closed" <(awk '/ShapePose09/{p=1} p && /ShapePose08/{exit} p' "$trace") ||
    { echo "the first failure's balloon did not end while the second account was asked"; cat "$trace"; exit 1; }
# The end says the failure with its voice.
after_end=$(awk '/ShapePose08/{p=1} p' "$trace")
grep -q "play temp16.mp3" <<<"$after_end" || { echo "no voice 16 at the check's end:"; echo "$after_end"; exit 1; }
grep -q "play temp11.mp3" <<<"$after_end" && { echo "a failure said as no mail"; exit 1; }
# The click given during the wait opened no menu, then or later.
menus_after=$(grep -c "menu settei" "$trace")
[[ $menus_after == "$menus_before" ]] || { echo "her menu popped up from a click given while she waited"; cat "$trace"; exit 1; }
echo ok
