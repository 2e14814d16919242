#!/usr/bin/env bash
# on_x.sh PROGRAM [ARGS...]: runs a test program as a client of a private virtual X server of its
# own (no window manager), and stops the server afterwards.
set -euo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 400); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb "$@"
