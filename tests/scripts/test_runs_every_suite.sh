#!/usr/bin/env bash
# scripts/test runs every suite, the build's tests and each of scripts/test.d, whatever failed
# before it, and fails when any of them failed. It runs here on a copy of the scripts with a
# stand-in project of one C program, its test real, and two stand-in further suites.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/scripts/test.d"
cp "$root/scripts/test" "$root/scripts/lib.sh" "$tree/scripts/"
# The clock tests' SNTP server, as unpacked before: nothing is fetched.
mkdir -p "$tree/build/test-tools/chrony/usr/sbin"
printf '#!/bin/sh\n' >"$tree/build/test-tools/chrony/usr/sbin/chronyd"
chmod +x "$tree/build/test-tools/chrony/usr/sbin/chronyd"
for suite in first second; do
    printf '#!/usr/bin/env bash\necho ran >"%s"\nexit "$(cat "%s")"\n' "$work/$suite.ran" "$work/$suite.status" \
        >"$tree/scripts/test.d/$suite.sh"
done
# project RESULT: the stand-in project, whose one test ends with that status.
project() {
    printf 'int main(void) { return %s; }\n' "$1" >"$tree/main.c"
    cat >"$tree/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(stand_in LANGUAGES C)
enable_testing()
add_executable(t main.c)
add_test(NAME t COMMAND t)
CMAKE
}
# expect STATUS CTEST FIRST SECOND: with the test ending CTEST and the suites FIRST and SECOND,
# scripts/test ends with STATUS (0 or not 0), both suites ran, and it names those that failed.
expect() {
    project "$2"
    echo "$3" >"$work/first.status"
    echo "$4" >"$work/second.status"
    rm -f "$work"/*.ran
    local status=0
    MORVIK_JOBS=2 bash "$tree/scripts/test" >"$work/out" 2>&1 || status=$?
    local case="test $2, suites $3 and $4"
    fail() { echo "$case: $1"; cat "$work/out"; exit 1; }
    [[ -e $work/first.ran && -e $work/second.ran ]] || fail "not every further suite ran"
    if [[ $1 == 0 ]]; then
        [[ $status == 0 ]] || fail "failed (status $status)"
        return
    fi
    [[ $status != 0 ]] || fail "passed"
    local failed=()
    [[ $2 != 0 ]] && failed+=(ctest)
    [[ $3 != 0 ]] && failed+=(first.sh)
    [[ $4 != 0 ]] && failed+=(second.sh)
    grep -qx "failed: ${failed[*]}" "$work/out" || fail "it did not say: failed: ${failed[*]}"
}
expect 0 0 0 0
expect 1 1 0 0
expect 1 1 1 0
expect 1 0 0 1
echo ok
