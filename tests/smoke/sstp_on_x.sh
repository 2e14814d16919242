#!/usr/bin/env bash
# The character greets an SSTP server on this computer at start-up, answers it on her first
# double-click and says goodbye to it at exit.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
start_sstp_server
log=$SMOKE_LOG

start_morvik "$program" 300 200
wait_window morvik >/dev/null
for _ in $(seq 100); do grep -q 'ちっ、でやがったな' "$log" 2>/dev/null && break; sleep 0.2; done
grep -F 'Script: \h\s0ちっ、でやがったな、無表情ロボめ\w5\u\s0そーゆーことは、本人のいないところで言うもんやで\e' "$log" |
    grep -q '^SEND SSTP/1.1 |' ||
    { echo "no greeting reached the server"; cat "$log" "$SMOKE_WORK/stderr"; exit 1; }

read -r wx wy < <(window_place morvik)
# The first double-click once she is up (earlier ones are ignored) greets the other character.
for _ in $(seq 20); do
    xdotool mousemove $((wx + 75)) $((wy + 110)) click --repeat 2 --delay 60 1
    sleep 1
    grep -q '（無視）' "$log" && break
done
grep -q 'Script: \\h\\s0………（無視）\\w5\\u\\s0よろしゅうな～（さくら！、返事せんかい！）\\e' "$log" ||
    { echo "the first double-click sent nothing"; cat "$log"; exit 1; }

choose_end $((wx + 75)) $((wy + 110))
wait_exit
grep -q 'Script: \\h\\s0ふっ、勝った\\w5\\u\\s0なんのはなしや？\\e' "$log" ||
    { echo "no farewell reached the server"; cat "$log"; exit 1; }
echo ok
