#!/usr/bin/env bash
# The session ends the character with SIGTERM while 送信 waits on an SMTP server that took the data
# and then went silent (to QUIT as well): the sending is cancelled and the program ends within 3 s,
# not after the sending's 60 s limit. The compose window is opened as the user opens it: 確認した
# メールを見る in her menu (a mail cache of the last check is there), 返信する in the list's menu.
source "$(dirname "$0")/lib.sh"
program=$1
# The dial-up entries come from NetworkManager on the system bus: none here.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
smtp_port=2525 # a network of its own: the port is free
smtp_log=$SMOKE_WORK/smtp.log

# The SMTP server: a good one up to the end of the data, then silent; it logs its steps.
python3 - "$smtp_port" "$smtp_log" <<'EOF' 2>"$SMOKE_WORK/smtp.err" &
import socket, sys
port, log = int(sys.argv[1]), sys.argv[2]
def note(what):
    with open(log, "a") as f:
        f.write(what + "\n")
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen()
note("ready")
client, _ = listener.accept()
client.sendall(b"220 silent ESMTP\r\n")
pending, data = b"", False
while True:
    chunk = client.recv(4096)
    if not chunk:
        note("closed")
        break
    pending += chunk
    if data:
        if b"\r\n.\r\n" in pending:
            note("data-end")
            pending, data = b"", None  # silent from here on, QUIT included
        continue
    if data is None:
        continue
    while b"\r\n" in pending and not data:
        line, pending = pending.split(b"\r\n", 1)
        verb = line[:4].upper()
        if verb == b"EHLO":
            client.sendall(b"250-silent\r\n250 8BITMIME\r\n")
        elif verb in (b"HELO", b"MAIL", b"RCPT", b"RSET"):
            client.sendall(b"250 OK\r\n")
        elif verb == b"DATA":
            client.sendall(b"354 go ahead\r\n")
            data = True
        else:
            client.sendall(b"502 no\r\n")
EOF
stop_at_exit $!
wait_output 100 grep -x ready "$smtp_log" >/dev/null || { echo "the SMTP server did not start"; cat "$SMOKE_WORK/smtp.err"; exit 1; }

# The settings database: the SMTP server and the own address (the program adds the rest).
settings_db '
db.execute("CREATE TABLE \"sendml\" (ID INTEGER PRIMARY KEY CHECK (ID BETWEEN 1 AND 1), \"smtpSV\" TEXT, \"smtpML\" TEXT)")
db.execute("INSERT INTO sendml VALUES (1, ?, \x27me@example.jp\x27)", (sys.argv[2],))' "127.0.0.1:$smtp_port"

start_x
start_greeted "$program"

# The cache of a check, made once her start-up has cleared the old one away.
python3 - "$MORVIK_HOME/tmp/temp.mdb" <<'EOF'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("Create Table get_mail (ID Integer Constraint PK Primary key, TEMP1 TEXT, TEMP2 TEXT, TEMP3 TEXT, TEMP4 TEXT, TEMP5 TEXT)")
db.execute("INSERT INTO get_mail VALUES (1, 'Subject:会議の件', 'From:you@example.com', 'Date:2026/12/10 11:20', 'Body:本文', 'ann')")
db.commit()
EOF

# Her menu from the top: メールを確認する while she is online (not in this network of its own, but
# tried all the same), then 確認したメールを見る once she has seen the cache.
list_title=メール確認ウィンドウ
list=
for try in $(seq 10); do
    xdotool mousemove "$x" "$y" click 3
    sleep 0.5
    if [[ $(xdotool search --onlyvisible --class morvik 2>/dev/null | wc -l) -gt 1 ]]; then
        if ((try % 2)); then xdotool key Down Return; else xdotool key Down Down Return; fi
        list=$(wait_output 20 xdotool search --onlyvisible --name "^$list_title\$") && break
        xdotool key Escape
    fi
    sleep 0.5
done
[[ -n $list ]] || { echo "the mail list did not open"; exit 1; }

# 返信する from the list's menu, opened on the list itself.
compose_title=メールを送る
read -r lx ly < <(xdotool getwindowgeometry --shell "$list" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
compose=
for _ in $(seq 10); do
    xdotool mousemove $((lx + 100)) $((ly + 100)) click 3
    sleep 0.5
    xdotool key Down Return
    compose=$(wait_output 20 xdotool search --onlyvisible --name "^$compose_title\$") && break
    xdotool key Escape
done
[[ -n $compose ]] || { echo "the compose window did not open"; exit 1; }

# 送信: recipient, subject and body as typed (no row of the list was chosen), then the button.
xdotool windowactivate --sync "$compose" 2>/dev/null || xdotool windowfocus --sync "$compose"
xdotool type --delay 20 you@example.com
xdotool key Tab
xdotool type --delay 20 Re:plans
xdotool key Tab
xdotool type --delay 20 'See you there.'
read -r cx cy < <(xdotool getwindowgeometry --shell "$compose" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
xdotool mousemove $((cx + 44)) $((cy + 16)) click 1
wait_output 100 grep -x data-end "$smtp_log" >/dev/null ||
    { echo "the mail never reached the end of its data"; cat "$smtp_log"; cat "$SMOKE_WORK/stderr"; exit 1; }

sleep 1 # well inside the wait for the data's reply
started=$(date +%s%3N)
kill -TERM "$SMOKE_APP"
for _ in $(seq 300); do
    kill -0 "$SMOKE_APP" 2>/dev/null || break
    sleep 0.05
done
took=$(($(date +%s%3N) - started))
if kill -0 "$SMOKE_APP" 2>/dev/null; then
    echo "still running 15 s after SIGTERM in the midst of a sending"
    exit 1
fi
status=0
wait "$SMOKE_APP" || status=$?
SMOKE_APP=
[[ $status == 0 ]] || { echo "exit status $status"; cat "$SMOKE_WORK/stderr"; exit 1; }
echo "ended $took ms after SIGTERM"
[[ $took -le 3000 ]] || { echo "SIGTERM in the midst of a sending took $took ms to end the program (3000 at most)"; exit 1; }
echo ok
