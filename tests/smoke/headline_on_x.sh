#!/usr/bin/env bash
# ヘッドライン from her menu, on the shipped sites pointed at local feeds: 更新 stores the selected
# site's headlines; 一括更新 goes through the sites, and when the session ends her in the middle of
# it, the update ends with her and what its passes stored so far is kept.
source "$(dirname "$0")/lib.sh"
program=$1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus

# The shipped database with its sites on the page server: 0 and 1 read, 2 never ends, the rest 404.
serve_sites 0=/rss2_utf8.xml 1=/rss2_sjis.xml 2=/slow
# column ID: the stored headlines of a site in her copy of the database, "NULL" when none.
column() {
    /usr/bin/python3 - "$MORVIK_HOME/morvik_heart.mdb" "$1" <<'EOF'
import sqlite3, sys
row = sqlite3.connect(sys.argv[1]).execute("SELECT data FROM hedline WHERE id = ?", (int(sys.argv[2]),)).fetchone()
print("NULL" if row is None or row[0] is None else row[0])
EOF
}

start_x
greeted_at "$program" 600 300 proxy=1

# Her menu from the bottom: 終了, dokoituの編集, ヘルプ, 設定, ヘッドライン.
choose_item "$x" "$y" 5
window=$(wait_output 100 xdotool search --onlyvisible --name '^ヘッドライン$') ||
    { echo "the headline window did not open"; exit 1; }
# Made smaller than 4000 twips (267 pixels at 96 dpi) from outside, where no window manager keeps
# it from that, it takes that size again.
xdotool windowsize "$window" 100 100
for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [[ $WIDTH -ge 267 && $HEIGHT -ge 267 ]] && break
    sleep 0.1
done
[[ $WIDTH -ge 267 && $HEIGHT -ge 267 ]] || { echo "the window stayed ${WIDTH}x$HEIGHT"; exit 1; }
xdotool windowsize "$window" 608 433
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
# The first site, then 更新 (its button's left is the width less 160, its top the height less 49).
xdotool mousemove $((X + 40)) $((Y + 8)) click 1
sleep 0.5
xdotool mousemove $((X + WIDTH - 160 + 36)) $((Y + HEIGHT - 49 + 12)) click 1
first=
for _ in $(seq 100); do
    first=$(column 0)
    [[ $first != NULL ]] && break
    sleep 0.1
done
[[ $first == $'政府、新しい経済対策を発表\n台風10号九州に接近\nLinux6.8released' ]] ||
    { echo "更新 stored: $first"; exit 1; }

# 一括更新 (the width less 288): site 0 is as stored, site 1 is new, site 2 keeps it fetching.
xdotool mousemove $((X + WIDTH - 288 + 32)) $((Y + HEIGHT - 49 + 12)) click 1
wait_output 100 xdotool search --onlyvisible --name '^ヘッドライン更新中$' >/dev/null ||
    { echo "一括更新 showed no progress"; exit 1; }
sleep 4
kill -TERM "$SMOKE_APP"
wait_exit
[[ $(column 1) == $'①新製品を発表\n価格は１００円～２００円\n髙橋選手が優勝' ]] ||
    { echo "the pass before the end was not kept: $(column 1)"; exit 1; }
[[ $(column 2) == NULL ]] || { echo "the unfinished pass stored: $(column 2)"; exit 1; }
echo ok
