#!/usr/bin/env bash
# on_x.sh PROGRAM [ARGS...]: runs a test program as a client of a private virtual X server of its
# own (no window manager), and stops the server afterwards.
set -euo pipefail
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/xvfb.sh"
trap 'kill "${MORVIK_XVFB:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
morvik_xvfb "$work"
QT_QPA_PLATFORM=xcb "$@"
