#!/usr/bin/env bash
# The start-up greeting stands above her: high on the screen her balloon hangs below her with its
# tail under her feet, and putting her on top again at the end of start-up must not cover it.
source "$(dirname "$0")/lib.sh"
program=$1
start_x
# The greeting sent to an SSTP server follows her last always-on-top step: once the server has it,
# start-up has put her on top for the last time.
start_sstp_server
log=$SMOKE_LOG

start_morvik "$program" 300 100 temae=1
wait_window morvik >/dev/null
for _ in $(seq 100); do grep -q 'ちっ、でやがったな' "$log" 2>/dev/null && break; sleep 0.1; done
grep -q 'ちっ、でやがったな' "$log" || { echo "start-up never greeted the SSTP server"; cat "$SMOKE_WORK/stderr"; exit 1; }

balloon=$(xdotool search --onlyvisible --classname '^fuki$' 2>/dev/null | head -n 1 || true)
[[ -n $balloon ]] || { echo "the greeting balloon was gone before start-up ended"; exit 1; }
read -r bx by < <(window_place fuki)
[[ $bx == 230 && $by == 220 ]] || { echo "the balloon stands at $bx,$by, expected 230,220"; exit 1; }
character=$(first_window morvik)
above=$(stacked_first "$balloon" "$character")
[[ $above == "$balloon" ]] || { echo "she stands above her own greeting"; xwininfo -root -children; exit 1; }
echo ok
