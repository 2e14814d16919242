#!/usr/bin/env bash
# screenshot.sh PROGRAM FILE SECONDS: run PROGRAM on a private virtual X screen for SECONDS,
# then write a PNG of the whole screen to FILE. The program gets a throw-away home unless
# MORVIK_HOME is set.
set -euo pipefail
program=$1 out=$2 seconds=${3:-6}
work=$(mktemp -d)
# The program ends on SIGTERM as it does when her window is closed: it saves her place into its
# home first, so it is let finish before the folder goes.
stop() {
    if [[ -n ${app:-} ]] && kill "$app" 2>/dev/null; then
        for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$app" 2>/dev/null || true
        wait "$app" 2>/dev/null || true
    fi
    kill "${MORVIK_XVFB:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap stop EXIT
source "$(dirname "$0")/xvfb.sh"
morvik_xvfb "$work"
xsetroot -solid '#3a6ea5' 2>/dev/null || true
export MORVIK_HOME=${MORVIK_HOME:-$work/home}
QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
app=$!
sleep "$seconds"
import -window root "$out"
echo "wrote $out"
