#!/usr/bin/env bash
# scripts/run on a machine that has the build packages but none of the test packages (GoogleTest
# among them): it asks for none of them, and configures and builds the program all the same.
# The build itself is stood in for (its configure step is real); with no X display the script then
# stops with its message.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
grep -hv '^#' "$root"/scripts/deps/test*.txt | sed '/^$/d' | sort -u >"$work/test-packages"
real_cmake=$(command -v cmake)

cat >"$work/bin/dpkg-query" <<SHIM
#!/usr/bin/env bash
# Every package is installed but the test ones.
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
# Builds are only noted; configuring is real, with GoogleTest out of reach as on such a machine.
if [[ \$1 == --build ]]; then echo "\$*" >>"$work/builds"; exit 0; fi
exec "$real_cmake" "\$@" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
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
echo ok
