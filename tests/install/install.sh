# shellcheck shell=bash
# Helpers for the tests of the installed program. Sourced.
#
# install_tree BUILD WORK: installs BUILD as `cmake --install` does, with DESTDIR=WORK/destdir and a
# prefix that is neither the configured one nor where the tree ends up, so that nothing can be found
# by a path fixed at build time. Sets INSTALL_DESTDIR, INSTALL_PREFIX (the prefix given), INSTALL_ROOT
# (where the tree lies: DESTDIR and prefix) and INSTALL_MANIFEST (a copy of the install manifest,
# which names the files by their installed paths, without DESTDIR). The build's own
# install_manifest.txt is put back as it was: it may be the record of a real install.
# shellcheck disable=SC2034 # read by the scripts that source this one
install_tree() {
    INSTALL_DESTDIR=$2/destdir
    INSTALL_PREFIX=/opt/morvik-elsewhere
    INSTALL_ROOT=$INSTALL_DESTDIR$INSTALL_PREFIX
    DESTDIR=$INSTALL_DESTDIR install_at "$1" "$2" "$INSTALL_PREFIX"
}

# install_at BUILD WORK PREFIX: `cmake --install BUILD --prefix PREFIX`, run in the current folder
# (with DESTDIR when set), the build's manifest put back as it was. Sets INSTALL_MANIFEST, a copy of
# the manifest this install wrote (WORK/install_manifest.txt).
install_at() {
    local build=$1 work=$2 prefix=$3 manifest=$1/install_manifest.txt
    INSTALL_MANIFEST=$work/install_manifest.txt
    rm -f "$work/manifest.saved"
    [[ -e $manifest ]] && cp -p "$manifest" "$work/manifest.saved"
    local status=0
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || status=$?
    [[ -e $manifest ]] && cp "$manifest" "$INSTALL_MANIFEST"
    if [[ -e $work/manifest.saved ]]; then mv "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
    [[ $status == 0 ]] || { echo "cmake --install failed:"; cat "$work/install.log"; return 1; }
}

# build_folder PATH: the build folder PATH lies in (the nearest folder above it with a CMakeCache.txt).
build_folder() {
    local dir
    dir=$(cd "$(dirname "$1")" && pwd -P)
    while [[ $dir != / && ! -e $dir/CMakeCache.txt ]]; do dir=$(dirname "$dir"); done
    [[ -e $dir/CMakeCache.txt ]] || { echo "no build folder above $1" >&2; return 1; }
    echo "$dir"
}

# out_of_reach DIR... -- COMMAND...: runs COMMAND (exec) with each DIR covered by an empty read-only
# folder, in a mount namespace of its own, as the same user. Where the system allows no such
# namespace, it says so on standard error and runs COMMAND as it is.
out_of_reach() {
    local dirs=()
    while [[ $1 != -- ]]; do dirs+=("$1"); shift; done
    shift
    # A folder inside one covered before is gone already.
    local cover='while [ "$1" != -- ]; do
        if [ -d "$1" ]; then mount -t tmpfs -o ro,size=4k morvik-out-of-reach "$1" || exit 1; fi
        shift
    done
    shift
    exec "$@"'
    if unshare --mount true 2>/dev/null; then
        exec unshare --mount sh -c "$cover" sh "${dirs[@]}" -- "$@"
    fi
    # Without the right to mount here: as root of a user namespace of our own, then back to this user.
    if unshare --user --map-root-user --mount true 2>/dev/null; then
        exec unshare --user --map-root-user --mount sh -c "$cover" sh "${dirs[@]}" -- \
            unshare --user --map-user="$(id -u)" --map-group="$(id -g)" "$@"
    fi
    echo "out_of_reach: no mount namespace here, ${dirs[*]} stay in reach" >&2
    exec "$@"
}
