# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Sourced, not run.
set -euo pipefail
MORVIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MORVIK_BUILD=${MORVIK_BUILD:-$MORVIK_ROOT/build}

# morvik_install_deps LIST...: apt-get install the packages of the named lists that are missing.
morvik_install_deps() {
    local wanted=() missing=() pkg list
    for list in "$@"; do
        while read -r pkg; do
            [[ -z $pkg || $pkg == \#* ]] && continue
            wanted+=("$pkg")
        done <"$MORVIK_ROOT/scripts/deps/$list.txt"
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
