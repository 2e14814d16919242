#!/usr/bin/env bash
# The time the clock setting takes no server time before is the time of the sources, never this
# machine's clock (which may run ahead, and is the one to be set right): SOURCE_DATE_EPOCH when set,
# else the checked-out commit's time, else the time the top CMakeLists.txt carries; a source tree
# unpacked inside another repository does not take that repository's commit.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home GIT_CONFIG_NOSYSTEM=1
mkdir -p "$HOME"
unset SOURCE_DATE_EPOCH
commit_at=1000000000 file_at=1100000000
# tree DIR: a source tree whose CMakeLists.txt carries file_at.
tree() {
    mkdir -p "$1"
    echo 'project(p NONE)' >"$1/CMakeLists.txt"
    touch -d "@$file_at" "$1/CMakeLists.txt"
}
# repository DIR: DIR made a repository of one commit dated commit_at.
repository() {
    git -C "$1" init -q
    git -C "$1" add -A
    GIT_AUTHOR_DATE="@$commit_at +0000" GIT_COMMITTER_DATE="@$commit_at +0000" \
        git -C "$1" -c user.name=t -c user.email=t@localhost commit -q -m sources
    touch -d "@$file_at" "$1/CMakeLists.txt"
}
tree "$work/archive"
tree "$work/checkout"
repository "$work/checkout"
mkdir -p "$work/outer"
tree "$work/outer/unpacked"
repository "$work/outer"
touch -d "@$file_at" "$work/outer/unpacked/CMakeLists.txt"

status=0
# case WANT DIR [VAR=VALUE...]: the time found for the sources in DIR, with the environment given.
case_() {
    local want=$1 dir=$2 got
    shift 2
    got=$(env "$@" cmake -DSOURCE_DIR="$dir" -P "$root/app/mail/source_time.cmake")
    [[ $got == "$want" ]] || { echo "${dir#"$work"/} $*: $got, not $want"; status=1; }
}
case_ $commit_at "$work/checkout"
case_ $file_at "$work/archive"
case_ $file_at "$work/outer/unpacked"
case_ 1234567890 "$work/checkout" SOURCE_DATE_EPOCH=1234567890
case_ 1234567890 "$work/archive" SOURCE_DATE_EPOCH=1234567890
exit $status
