# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Sourced, not run.
set -euo pipefail
MORVIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MORVIK_BUILD=${MORVIK_BUILD:-$MORVIK_ROOT/build}

# morvik_install_deps KIND...: apt-get install what is missing of the lists scripts/deps/KIND*.txt
# (build.txt, build-audio.txt, …: each part of the program keeps its own list).
morvik_install_deps() {
    local wanted=() missing=() pkg kind list
    for kind in "$@"; do
        for list in "$MORVIK_ROOT"/scripts/deps/"$kind"*.txt; do
            [[ -e $list ]] || continue
            while read -r pkg; do
                [[ -z $pkg || $pkg == \#* ]] && continue
                wanted+=("$pkg")
            done <"$list"
        done
    done
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    local sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# morvik_build [extra cmake arguments]: configure once, then build with all cores.
morvik_build() {
    if [[ ! -f $MORVIK_BUILD/build.ninja ]]; then
        cmake -S "$MORVIK_ROOT" -B "$MORVIK_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    fi
    cmake --build "$MORVIK_BUILD" --parallel "$(nproc)" -- --quiet 2>&1 | grep -v '^ninja: no work to do' || true
    [[ ${PIPESTATUS[0]} -eq 0 ]]
}
