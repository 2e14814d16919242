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

# The fuzzing harnesses' regression run: a stand-in harness that fails on an input holding "boom".
fuzz_tree=$work/fuzz
mkdir -p "$fuzz_tree/scripts/test.d" "$fuzz_tree/fuzz/corpus/stand_in"
cp "$root/scripts/lib.sh" "$fuzz_tree/scripts/"
cp "$root/scripts/test.d/fuzz.sh" "$fuzz_tree/scripts/test.d/"
# fuzz_project MAIN LISTED CORPUS...: the stand-in with that harness program, listed or not, and
# its corpus of these inputs.
fuzz_project() {
    printf '%s\n' "$1" >"$fuzz_tree/harness.c"
    cat >"$fuzz_tree/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(stand_in LANGUAGES C)
add_custom_target(morvik_fuzzers)
add_executable(fuzz_stand_in harness.c)
add_dependencies(morvik_fuzzers fuzz_stand_in)
set(list "")
if($2)
  set(list "stand_in\t\$<TARGET_FILE:fuzz_stand_in>\t\${CMAKE_SOURCE_DIR}/fuzz/corpus/stand_in\t-\n")
endif()
file(GENERATE OUTPUT \${CMAKE_BINARY_DIR}/fuzz/harnesses.txt CONTENT "\${list}")
CMAKE
    rm -f "$fuzz_tree"/fuzz/corpus/stand_in/*
    local i=0 input
    for input in "${@:3}"; do
        printf '%s' "$input" >"$fuzz_tree/fuzz/corpus/stand_in/$((i += 1))"
    done
}
fuzz_expect() {
    local status=0
    bash "$fuzz_tree/scripts/test.d/fuzz.sh" >"$work/out" 2>&1 || status=$?
    if [[ $1 == pass && $status != 0 || $1 == fail && $status == 0 ]]; then
        echo "fuzz: $2: expected it to $1, status $status"
        cat "$work/out"
        exit 1
    fi
}
boom='#include <stdio.h>
#include <string.h>
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "-", 1) == 0) continue; /* an option of libFuzzer */
        char text[64] = {0};
        FILE* f = fopen(argv[i], "r");
        if (!f || !fread(text, 1, sizeof text - 1, f)) return 2;
        fclose(f);
        if (strstr(text, "boom")) return 1;
    }
    return 0;
}'
fuzz_project "$boom" TRUE fine also-fine
fuzz_expect pass "a harness that builds and takes its corpus"
fuzz_project '#error the build breaks' TRUE fine
fuzz_expect fail "a build that breaks, with the harness of the build before still there"
fuzz_project "$boom" FALSE fine
fuzz_expect fail "no harness"
fuzz_project "$boom" TRUE fine boom
fuzz_expect fail "an input of the corpus that makes a finding"
fuzz_project "$boom" TRUE
fuzz_expect fail "a harness without a corpus"
echo ok
