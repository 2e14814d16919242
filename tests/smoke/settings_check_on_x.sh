#!/usr/bin/env bash
# A mail check while her settings dialog is open takes the account as the dialog holds it, not as
# the settings file does: the dialog shows account 1's user "taro"; the file is then changed behind
# it to "jiro"; メールを確認する asks the server as taro. (The server refuses the password, so her
# standard error names the account she asked with.)
source "$(dirname "$0")/lib.sh"
program=$1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
refusing=11001 # a network of its own: the port is free
start_pop3_peers "$refusing"

export MORVIK_HOME=$SMOKE_WORK/home
mkdir -p "$MORVIK_HOME"
account() { # account USER: account 1 of MAIL.INI, made when missing
    python3 - "$MORVIK_HOME/MAIL.INI" "$1" <<'PY'
import os, sqlite3, sys
path, user = sys.argv[1], sys.argv[2]
fresh = not os.path.exists(path)
if fresh:
    os.close(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600))
db = sqlite3.connect(path)
if fresh:
    db.execute("PRAGMA application_id = %d" % 0x4d6f7364)
    db.execute('CREATE TABLE "mail" (ID INTEGER PRIMARY KEY CHECK (ID BETWEEN 1 AND 3), "Server" TEXT, "User" TEXT, "pass" TEXT)')
db.execute("INSERT OR REPLACE INTO mail VALUES (1, '127.0.0.1', ?, 'wrong')", (user,))
db.commit()
PY
}
account taro

start_x
# Online without a dial-up (proxy), no timed checks: only the check asked for runs.
start_greeted "$program" proxy=1 mailcheckF=0 portSV1=$refusing

# her_menu KEYS: opens her menu (one window more of her class than before) and presses KEYS.
her_menu() {
    local before
    before=$(xdotool search --onlyvisible --class morvik 2>/dev/null | wc -l)
    for _ in $(seq 20); do
        xdotool mousemove "$x" "$y" click 3
        sleep 0.5
        if [[ $(xdotool search --onlyvisible --class morvik 2>/dev/null | wc -l) -gt $before ]]; then
            # shellcheck disable=SC2086 # one key a word
            xdotool key $1 Return
            return 0
        fi
    done
    echo "her menu never opened" >&2
    return 1
}
# 設定, fourth from the bottom (終了, dokoituの編集, ヘルプ, 設定).
title=モルヴィクCHECKERの設定
her_menu "Up Up Up Up"
dialog=$(wait_output 100 xdotool search --onlyvisible --name "^$title\$") || { echo "the settings dialog did not open"; exit 1; }
# Out of her way, so that her menu can be opened beside it.
xdotool windowmove "$dialog" 470 0
sleep 0.5
account jiro
# メールを確認する, her menu's first item.
her_menu "Down"
wait_output 200 grep -m1 "^user " "$PEER_LOG" >/dev/null || { echo "the server was never asked"; cat "$SMOKE_WORK/stderr"; exit 1; }
asked=$(grep -m1 "^user " "$PEER_LOG")
[[ $asked == "user taro" ]] || { echo "asked as ${asked#user }, not as the open dialog holds the account"; exit 1; }
wait_output 100 grep -m1 "account 1 (taro at 127.0.0.1)" "$SMOKE_WORK/stderr" >/dev/null ||
    { echo "the failure was not said with the dialog's account"; cat "$SMOKE_WORK/stderr"; exit 1; }
echo ok
