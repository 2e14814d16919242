#!/usr/bin/env bash
# The mail transfer library's sessions (each with a watchdog thread) under ThreadSanitizer, against
# the scripted POP3 peer and Dovecot. The same build folder and parts as control-tsan.sh.
# Quiet when all is well apart from ctest's summary; the whole ctest output when a run fails. A
# build that fails, or finds no tests to run, fails.
source "$(dirname "$0")/../lib.sh"
build=$MORVIK_ROOT/build-tsan

cmake -S "$MORVIK_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DMORVIK_PARTS=platform;control" -DMORVIK_SANITIZE=thread -DMORVIK_WERROR=ON >/dev/null
morvik_compile "$build" --target net_pop3_peer_tests net_dovecot_tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66"
if ! out=$(ctest --test-dir "$build" -L net-threads --output-on-failure --parallel "$MORVIK_JOBS" \
    --no-tests=error 2>&1); then
    printf '%s\n' "$out"
    exit 1
fi
printf '%s\n' "$out" | sed -n '/tests passed/,$p'
