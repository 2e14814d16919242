#!/usr/bin/env bash
# Files dropped on her while she dances, with the real program on a real X server: a ZIP dropped
# mid-dance melts only once the dance step she is in is over, and no dance frame comes over the
# melting or replaces its last frame; a song dropped mid-dance ends the first song, and from the new
# song's start on she dances one dance only.
source "$(dirname "$0")/lib.sh"
program=$1 drag_source=$2
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
trace=$SMOKE_WORK/trace
export MORVIK_TRACE=$trace
drop_home
(
    cd "$files"
    python3 - <<'EOF'
import struct, zipfile
n = 22050 * 8
pcm = b"".join(struct.pack("<h", 8000 if (i // 25) % 2 else -8000) for i in range(n))
head = b"RIFF" + struct.pack("<I", 36 + len(pcm)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 1, 22050, 44100, 2, 16) + b"data" + struct.pack("<I", len(pcm))
open("t.wav", "wb").write(head + pcm)
with zipfile.ZipFile("pack.zip", "w") as z:
    z.writestr("a/b.txt", "hello")
EOF
    lame --quiet --tt Song --ta Band --id3v2-only t.wav one.mp3
    cp one.mp3 two.mp3
)
start_x
start_greeted "$program" proxy=1 mailcheckF=0
read -r wx wy < <(window_place morvik)

# drop FILE: drags FILE from a drag source of ours onto her body, as from a file manager.
drop() {
    "$drag_source" 40 40 "$1" >"$SMOKE_WORK/source.log" 2>&1 &
    local source=$!
    stop_at_exit $source
    wait_output 50 grep -x ready "$SMOKE_WORK/source.log" >/dev/null
    xdotool mousemove 60 60 sleep 0.2 mousedown 1 sleep 0.3 mousemove 150 120 sleep 0.2 \
        mousemove $((wx + 75)) $((wy + 105)) sleep 0.3 mousemove $((wx + 80)) $((wy + 110)) sleep 0.5 mouseup 1
    sleep 0.5
    kill $source 2>/dev/null || true
}
dancing() { wait_output 100 grep -m1 ShapeDance "$trace" >/dev/null; }

drop "$files/one.mp3"
dancing || { echo "she never danced"; cat "$trace"; exit 1; }
sleep 1.5
drop "$files/pack.zip"
wait_output 100 find "$HOME/Desktop" -name b.txt >/dev/null || { echo "the ZIP was not unpacked"; exit 1; }
melt=$(awk '/picture gra4\./{p=1} p' "$trace")
[[ -n $melt ]] || { echo "she never melted"; cat "$trace"; exit 1; }
grep -q ShapeDance <<<"$melt" && { echo "a dance frame over the melting:"; echo "$melt"; exit 1; }
grep -q ShapeStandard <<<"$(awk '/picture gra4\./{p=1} p && /balloon open/{exit} p' "$trace")" &&
    { echo "her standing pose over the melting:"; echo "$melt"; exit 1; }

: >"$trace"
drop "$files/one.mp3"
dancing || { echo "she never danced"; exit 1; }
sleep 1.5
drop "$files/two.mp3"
sleep 4
# From the second song's start on, one dance only.
dances=$(awk '/^[0-9]+ drop/{d++} d == 2 && /play two.mp3/{p=1} p && /ShapeDance/' "$trace" |
    sed -n 's/.*ShapeDance\([0-9]\)_.*/\1/p' | sort -u)
[[ -n $dances ]] || { echo "she did not dance the second song"; cat "$trace"; exit 1; }
[[ $(wc -l <<<"$dances") == 1 ]] || { echo "two dances at once: $dances"; cat "$trace"; exit 1; }
echo ok
