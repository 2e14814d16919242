#!/usr/bin/env bash
# scripts/screenshot.sh lets the program end before it removes the program's throw-away home: the
# program saves her place there when it is told to end, and nothing of the run is left behind.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
# A stand-in for the program that, told to end, takes a moment to save into its home (which it
# makes anew when missing, as the program does).
cat >"$work/program" <<'PROGRAM'
#!/usr/bin/env bash
trap 'sleep 0.5; mkdir -p "$MORVIK_HOME"; echo "top=1" >"$MORVIK_HOME/mailSet.ini"; touch "$ENDED"; exit 0' TERM
while :; do sleep 0.1; done
PROGRAM
chmod +x "$work/program"
status=0
env -u MORVIK_HOME TMPDIR="$work/tmp" ENDED="$work/ended" "$root/scripts/screenshot.sh" "$work/program" "$work/shot.png" 1 \
    >"$work/out" 2>&1 || status=$?
fail() { echo "$1"; cat "$work/out"; exit 1; }
# Should the program still run, it has its time to end before what it left is looked for.
for _ in $(seq 50); do [[ -e $work/ended ]] && break; sleep 0.1; done
[[ -e $work/ended ]] || fail "the program was not let end"
[[ $status == 0 ]] || fail "it failed with status $status"
[[ -s $work/shot.png ]] || fail "no picture was written"
[[ -z $(ls -A "$work/tmp") ]] || fail "left behind: $(find "$work/tmp")"
! grep -q 'rm: ' "$work/out" || fail "its folder could not be removed"
echo ok
