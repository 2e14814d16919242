#!/usr/bin/env bash
# The further suites of scripts/test.d fail when their build fails (also with a build of before
# still there), when they find no tests to run, and when a test fails; they pass only when their
# tests build and pass. Each runs here on a stand-in project of one C program in a copy of the tree.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# suite SCRIPT TARGET LABEL: checks one suite.
suite() {
    local script=$1 target=$2 label=$3 tree=$work/$1
    mkdir -p "$tree/scripts/test.d"
    cp "$root/scripts/lib.sh" "$tree/scripts/"
    cp "$root/scripts/test.d/$script.sh" "$tree/scripts/test.d/"
    # project MAIN WITH_TEST: the stand-in project with that program, labelled test or not.
    project() {
        printf '%s\n' "$1" >"$tree/main.c"
        cat >"$tree/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(stand_in LANGUAGES C)
enable_testing()
add_executable($target main.c)
if($2)
  add_test(NAME t COMMAND $target)
  set_tests_properties(t PROPERTIES LABELS $label)
endif()
CMAKE
    }
    # expect RESULT CASE: runs the suite and checks it passed or failed.
    expect() {
        local status=0
        bash "$tree/scripts/test.d/$script.sh" >"$work/out" 2>&1 || status=$?
        if [[ $1 == pass && $status != 0 || $1 == fail && $status == 0 ]]; then
            echo "$script: $2: expected it to $1, status $status"
            cat "$work/out"
            exit 1
        fi
    }
    project 'int main(void) { return 0; }' TRUE
    expect pass "a test that builds and passes"
    project '#error the build breaks' TRUE
    expect fail "a build that breaks, with the program of the build before still there"
    project 'int main(void) { return 0; }' FALSE
    expect fail "no test to run"
    project 'int main(void) { return 1; }' TRUE
    expect fail "a test that fails"
}

suite control-tsan control_worker_tests control-worker
suite runner-sanitize runner_tests runner
echo ok
