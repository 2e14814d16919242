#!/usr/bin/env bash
# The plug-in runners and their table of runs under AddressSanitizer and UndefinedBehaviorSanitizer.
# Quiet when all is well apart from ctest's summary; the whole ctest output when a run fails. A
# build that fails, or finds no tests to run, fails.
source "$(dirname "$0")/../lib.sh"
build=$MORVIK_ROOT/build-asan

cmake -S "$MORVIK_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DMORVIK_PARTS=platform;runner" -DMORVIK_SANITIZE=address,undefined -DMORVIK_WERROR=ON >/dev/null
morvik_compile "$build" --target runner_tests

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
if ! out=$(ctest --test-dir "$build" -L runner --output-on-failure --parallel "$MORVIK_JOBS" \
    --no-tests=error 2>&1); then
    printf '%s\n' "$out"
    exit 1
fi
printf '%s\n' "$out" | sed -n '/tests passed/,$p'
