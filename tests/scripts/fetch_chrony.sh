#!/usr/bin/env bash
# morvik_fetch_chrony downloads Debian's chrony and unpacks it into the build tree, never installs
# it, brings apt's lists up to date only when the first download fails, keeps what it unpacked, and
# fails with apt's words when the package cannot be had.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# apt-get: "download" works once the lists are there (the file lists-ready), "update" makes them.
cat >"$work/bin/apt-get" <<SHIM
#!/usr/bin/env bash
echo "\$*" >>"$work/apt"
args=" \$* "
if [[ \$args == *" update "* ]]; then touch "$work/lists-ready"; exit 0; fi
if [[ \$args == *" download chrony "* && -e "$work/lists-ready" ]]; then echo deb >chrony_4.3_amd64.deb; exit 0; fi
echo "E: Unable to locate package chrony" >&2
exit 100
SHIM
cat >"$work/bin/dpkg-deb" <<SHIM
#!/usr/bin/env bash
[[ \$1 == -x && -f \$2 ]] || exit 2
mkdir -p "\$3/usr/sbin" && printf '#!/bin/sh\n' >"\$3/usr/sbin/chronyd" && chmod +x "\$3/usr/sbin/chronyd"
SHIM
cat >"$work/bin/sudo" <<'SHIM'
#!/usr/bin/env bash
exec "$@"
SHIM
chmod +x "$work"/bin/*
fail() { echo "$1"; cat "$work/out" "$work/apt" 2>/dev/null; exit 1; }
fetch() {
    PATH="$work/bin:$PATH" MORVIK_BUILD="$work/build" \
        bash -c 'source "$1/scripts/lib.sh"; morvik_fetch_chrony' _ "$root" >"$work/out" 2>&1
}

# No lists: the first download fails, the lists are updated, the second one works.
fetch || fail "it failed with the lists updatable"
[[ -x $work/build/test-tools/chrony/usr/sbin/chronyd ]] || fail "chronyd is not in the build tree"
[[ $(grep -c 'download chrony' "$work/apt") == 2 ]] || fail "downloads: $(cat "$work/apt")"
grep -q 'update' "$work/apt" || fail "the lists were not updated"
! grep -q 'install' "$work/apt" || fail "it installed something"

# Unpacked once, kept.
rm "$work/apt"
fetch || fail "a second run failed"
[[ ! -e $work/apt ]] || fail "a second run asked apt: $(cat "$work/apt")"

# Not to be had: it fails and says why.
rm -rf "$work/build" "$work/lists-ready"
printf '#!/usr/bin/env bash\necho "$*" >>"%s/apt"\necho "E: no network" >&2\nexit 100\n' "$work" >"$work/bin/apt-get"
if fetch; then fail "it passed without chrony"; fi
grep -q 'E: no network' "$work/out" || fail "apt's words are not said"
[[ ! -e $work/build/test-tools/chrony/usr/sbin/chronyd ]] || fail "something was unpacked"
echo ok
