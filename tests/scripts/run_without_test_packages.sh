#!/usr/bin/env bash
# scripts/run on a machine that has the build packages but none of the test packages (GoogleTest
# among them): it asks for none of them, and configures and builds the program all the same.
# The build itself is stood in for (its configure step is real); with no X display the script then
# stops with its message.
# On a machine that has nothing yet, each form asks for its own lists and no test package:
# scripts/run for the build and run lists (xdg-open among them), scripts/run --screenshot for those
# and the screenshot's virtual screen and picture tools.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
packages() { grep -hv '^#' "$@" | sed '/^$/d' | sort -u; }
packages "$root"/scripts/deps/test*.txt >"$work/test-packages"
real_cmake=$(command -v cmake)

cat >"$work/bin/dpkg-query" <<SHIM
#!/usr/bin/env bash
# Every package is installed but the test ones; none at all once the machine is bare.
[[ -e "$work/bare" ]] && exit 1
grep -qx -- "\${@: -1}" "$work/test-packages" && exit 1
printf 'install ok installed'
SHIM
cat >"$work/bin/apt-get" <<SHIM
#!/usr/bin/env bash
echo "\$*" >>"$work/apt"
SHIM
cp "$work/bin/apt-get" "$work/bin/sudo"
cat >"$work/bin/cmake" <<SHIM
#!/usr/bin/env bash
# Builds are only noted; configuring is real, with GoogleTest out of reach as on such a machine
# (on the bare machine only noted too).
if [[ \$1 == --build || -e "$work/bare" ]]; then echo "\$*" >>"$work/builds"; exit 0; fi
exec "$real_cmake" "\$@" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
SHIM
# The screenshot's X server: noted, and it fails, which ends the screenshot there.
cat >"$work/bin/Xvfb" <<SHIM
#!/usr/bin/env bash
echo "\$*" >>"$work/xvfb"
echo "no screen here"
exit 1
SHIM
chmod +x "$work"/bin/*

status=0
env -u DISPLAY PATH="$work/bin:$PATH" MORVIK_BUILD="$work/build" "$root/scripts/run" >"$work/out" 2>&1 ||
    status=$?
fail() { echo "$1"; cat "$work/out"; exit 1; }
[[ ! -e $work/apt ]] || fail "it asked apt for: $(cat "$work/apt")"
[[ -f $work/build/build.ninja ]] || fail "configuring failed"
grep -q '^build bin/morvik:' "$work/build/build.ninja" || fail "the program is not in the build"
grep -q -- "--build $work/build" "$work/builds" 2>/dev/null || fail "it did not build"
[[ $status == 1 ]] && grep -q 'No X display' "$work/out" || fail "it did not get as far as starting (status $status)"
grep -q 'GoogleTest (libgtest-dev) is not installed' "$work/out" || fail "it did not say the tests are left out"

# bare LISTS -- ARGS...: scripts/run ARGS on the bare machine asks apt for the packages of
# scripts/deps/LISTS*.txt, each once, and for no package that only the tests need.
touch "$work/bare"
bare() {
    local lists=() kind asked wanted form
    while [[ $1 != -- ]]; do
        for kind in "$root"/scripts/deps/"$1"*.txt; do lists+=("$kind"); done
        shift
    done
    shift
    form="scripts/run${*:+ $1}"
    rm -f "$work/apt" "$work/builds" "$work/xvfb"
    status=0
    env -u DISPLAY PATH="$work/bin:$PATH" MORVIK_BUILD="$work/bare-build" "$root/scripts/run" "$@" \
        >"$work/out" 2>&1 || status=$?
    asked=$(sed -n 's/^-q install -y --no-install-recommends //p' "$work/apt" 2>/dev/null | tr ' ' '\n')
    wanted=$(packages "${lists[@]}")
    [[ $(sort <<<"$asked") == "$(sort -u <<<"$asked")" ]] || fail "$form: a package asked for twice"
    [[ $(sort <<<"$asked") == "$wanted" ]] || fail "$form: asked for $(tr "\n" " " <<<"$asked"), not $(tr "\n" " " <<<"$wanted")"
    grep -qx xdg-utils <<<"$asked" || fail "$form: xdg-open is not installed"
    for pkg in $(comm -23 "$work/test-packages" <(echo "$wanted")); do
        ! grep -qx -- "$pkg" <<<"$asked" || fail "$form: it asked for the test package $pkg"
    done
    grep -q -- "--build $work/bare-build" "$work/builds" 2>/dev/null || fail "$form: it did not build"
}
bare build run --
[[ $status == 1 ]] && grep -q 'No X display' "$work/out" || fail "it did not get as far as starting (status $status)"
bare build run screenshot -- --screenshot "$work/shot.png"
[[ $status != 0 && -s $work/xvfb ]] || fail "it did not get as far as the screenshot's X server (status $status)"
echo ok
