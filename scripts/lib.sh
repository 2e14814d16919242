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
