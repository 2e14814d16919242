#!/usr/bin/env bash
# The SSTP control's worker thread and asynchronous mode under ThreadSanitizer.
# Quiet when all is well apart from ctest's summary; the whole ctest output when a run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-tsan
jobs=${MORVIK_JOBS:-$(nproc)}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DMORVIK_PARTS=platform;control" -DMORVIK_SANITIZE=thread >/dev/null
cmake --build "$build" --target control_worker_tests --parallel "$jobs" -- --quiet 2>&1 | grep -v '^ninja: no work to do' || true
[[ ${PIPESTATUS[0]} -eq 0 ]]

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66"
if ! out=$(ctest --test-dir "$build" -L control-worker --output-on-failure --parallel "$jobs" 2>&1); then
    printf '%s\n' "$out"
    exit 1
fi
printf '%s\n' "$out" | sed -n '/tests passed/,$p'
