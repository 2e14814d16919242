# Shared by scripts/run, scripts/test and scripts/test.d: install what is missing, then configure and
# build. Sourced, not run.
set -euo pipefail
MORVIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MORVIK_BUILD=${MORVIK_BUILD:-$MORVIK_ROOT/build}
MORVIK_JOBS=${MORVIK_JOBS:-$(nproc)}

# morvik_install_deps KIND...: apt-get install what is missing of the lists scripts/deps/KIND*.txt
# (build.txt, build-audio.txt, …: each part of the program keeps its own list). It says what it
# installs, and apt's own output shows (with its progress bars on a terminal): the first run can
# take minutes.
morvik_install_deps() {
    local -A seen=()
    local wanted=() missing=() pkg kind list
    for kind in "$@"; do
        for list in "$MORVIK_ROOT"/scripts/deps/"$kind"*.txt; do
            [[ -e $list ]] || continue
            while read -r pkg; do
                [[ -z $pkg || $pkg == \#* || -n ${seen[$pkg]:-} ]] && continue
                seen[$pkg]=1
                wanted+=("$pkg")
            done <"$list"
        done
    done
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    local sudo=() quiet=(-q)
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    [[ -t 1 ]] && quiet=()
    echo "Installing ${#missing[@]} Debian packages ($*): ${missing[*]}" >&2
    echo "First the package lists are brought up to date; all this can take some minutes." >&2
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${quiet[@]}" update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get "${quiet[@]}" install -y --no-install-recommends "${missing[@]}"
}

# morvik_fetch_chrony: unpacks Debian's chrony package into the build tree (test-tools/chrony), for
# the clock tests' own SNTP server. It is never installed: the package would take the system's
# systemd-timesyncd away. Once unpacked it is kept; apt's lists are brought up to date only when the
# download fails without them.
morvik_fetch_chrony() {
    local into=$MORVIK_BUILD/test-tools/chrony work
    [[ -x $into/usr/sbin/chronyd ]] && return 0
    work=$(mktemp -d)
    local sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    if ! (cd "$work" && apt-get download chrony >"$work/log" 2>&1); then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q update >"$work/log" 2>&1 || true
        if ! (cd "$work" && apt-get download chrony >"$work/log" 2>&1); then
            echo "Could not download chrony for the clock tests:" >&2
            cat "$work/log" >&2
            rm -rf "$work"
            return 1
        fi
    fi
    mkdir -p "$into"
    dpkg-deb -x "$work"/chrony_*.deb "$into"
    rm -rf "$work"
}

# morvik_compile DIR [cmake --build arguments]: builds DIR with all cores, quietly; fails when the
# build fails.
morvik_compile() {
    local dir=$1
    shift
    # pipefail gives the build's status; the filter itself never fails.
    cmake --build "$dir" --parallel "$MORVIK_JOBS" "$@" -- --quiet 2>&1 |
        { grep -v '^ninja: no work to do' || true; }
}

# morvik_build [cmake arguments]: configures the build folder (every time: it takes a moment when
# nothing changed, and so notices packages installed since, such as GoogleTest for the tests), then
# builds it.
morvik_build() {
    cmake -S "$MORVIK_ROOT" -B "$MORVIK_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    morvik_compile "$MORVIK_BUILD"
}

# morvik_tsan LABEL TARGET...: builds the platform and control parts with ThreadSanitizer in
# build-tsan, then runs the tests labelled LABEL there. Quiet when all is well apart from ctest's
# summary; the whole ctest output when a run fails. A build that fails, or finds no tests to run,
# fails.
morvik_tsan() {
    local label=$1
    shift
    local build=$MORVIK_ROOT/build-tsan out
    cmake -S "$MORVIK_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DMORVIK_PARTS=platform;control" -DMORVIK_SANITIZE=thread -DMORVIK_WERROR=ON >/dev/null
    morvik_compile "$build" --target "$@"
    if ! out=$(TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66" \
        ctest --test-dir "$build" -L "$label" --output-on-failure --parallel "$MORVIK_JOBS" \
        --no-tests=error 2>&1); then
        printf '%s\n' "$out"
        return 1
    fi
    printf '%s\n' "$out" | sed -n '/tests passed/,$p'
}

# morvik_fuzz_build: configures build-fuzz (clang, -DMORVIK_FUZZ=ON: libFuzzer with Address and
# UndefinedBehaviorSanitizer) and builds the harnesses of fuzz/ alone there; the program and its
# tests stay in the gcc build. Sets MORVIK_FUZZ_LIST to the list of the harnesses built (name,
# program, corpus folder, dictionary; see fuzz/CMakeLists.txt). Fails when the build fails.
morvik_fuzz_build() {
    local build=$MORVIK_ROOT/build-fuzz
    cmake -S "$MORVIK_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DMORVIK_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
    morvik_compile "$build" --target morvik_fuzzers
    MORVIK_FUZZ_LIST=$build/fuzz/harnesses.txt
    # A finding stops the run (undefined behaviour as much as a memory error), with its stack.
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    if [[ -z ${ASAN_SYMBOLIZER_PATH:-} && -x /usr/bin/llvm-symbolizer-14 ]]; then
        export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
    fi
}
