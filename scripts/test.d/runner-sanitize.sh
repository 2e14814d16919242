#!/usr/bin/env bash
# The plug-in runners and their table of runs under AddressSanitizer and UndefinedBehaviorSanitizer.
# Quiet when all is well apart from ctest's summary; the whole ctest output when a run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-asan
jobs=${MORVIK_JOBS:-$(nproc)}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DMORVIK_PARTS=platform;runner" -DMORVIK_SANITIZE=address,undefined >/dev/null
cmake --build "$build" --target runner_tests --parallel "$jobs" -- --quiet 2>&1 | grep -v '^ninja: no work to do' || true
[[ ${PIPESTATUS[0]} -eq 0 ]]

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
if ! out=$(ctest --test-dir "$build" -L runner --output-on-failure --parallel "$jobs" 2>&1); then
    printf '%s\n' "$out"
    exit 1
fi
printf '%s\n' "$out" | sed -n '/tests passed/,$p'
