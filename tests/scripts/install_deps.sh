#!/usr/bin/env bash
# morvik_install_deps says what it installs, asks apt for each package once, and lets apt's own
# output through: plain on a terminal (with its progress bars), -q into a log.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/dpkg-query" <<'SHIM'
#!/usr/bin/env bash
exit 1 # nothing is installed
SHIM
cat >"$work/bin/apt-get" <<SHIM
#!/usr/bin/env bash
echo "\$*" >>"$work/apt"
echo "apt says: \$*"
SHIM
cat >"$work/bin/sudo" <<'SHIM'
#!/usr/bin/env bash
exec "$@"
SHIM
chmod +x "$work"/bin/*
fail() { echo "$1"; cat "$work/out"; exit 1; }

# install KIND...: runs morvik_install_deps into $work/out (not a terminal).
install() {
    rm -f "$work/apt"
    PATH="$work/bin:$PATH" bash -c 'source "$1/scripts/lib.sh"; shift; morvik_install_deps "$@"' _ "$root" "$@" \
        >"$work/out" 2>&1
}

install build test
wanted=$(grep -hv '^#' "$root"/scripts/deps/{build,test}*.txt | sed '/^$/d' | sort -u)
[[ $(sed -n 1p "$work/apt") == "-q update" ]] || fail "first call: $(sed -n 1p "$work/apt")"
read -r -a call < <(sed -n 2p "$work/apt")
[[ ${call[*]:0:4} == "-q install -y --no-install-recommends" ]] || fail "second call: ${call[*]}"
asked=$(printf '%s\n' "${call[@]:4}")
[[ $(sort <<<"$asked") == "$(sort -u <<<"$asked")" ]] || fail "a package asked for twice: $(sort <<<"$asked" | uniq -d)"
[[ $(sort <<<"$asked") == "$wanted" ]] || fail "asked for: $asked"
grep -q "^Installing $(wc -l <<<"$wanted") Debian packages (build test): " "$work/out" || fail "no word of what is installed"
grep -q '^apt says: -q install' "$work/out" || fail "apt's output is hidden"

# On a terminal apt runs without -q, so that its progress bars show.
rm -f "$work/apt"
PATH="$work/bin:$PATH" script -qec "bash -c 'source \"$root/scripts/lib.sh\"; morvik_install_deps build'" \
    /dev/null >"$work/out" 2>&1
[[ $(sed -n 2p "$work/apt") == "install -y --no-install-recommends "* ]] || fail "on a terminal: $(cat "$work/apt")"
grep -q '^apt says: install' "$work/out" || fail "apt's output is hidden on a terminal"
echo ok
