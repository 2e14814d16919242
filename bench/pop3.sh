#!/usr/bin/env bash
# bench/pop3.sh [MESSAGES]: how fast the mail library checks and downloads one account, beside curl
# doing the same POP3 work in the same run. A Dovecot of the benchmark's own (127.0.0.1, a free
# port, its files in a temporary folder) holds MESSAGES messages (1,000 unless given) of about 2 kB.
# Timed, median of five runs each:
#   check     the library's STAT and LIST (UIDL, TOP n 0 for every message), as the automatic check
#   curl-top  curl -K: STAT, then TOP n 0 for every message, on one connection
#   download  the library's STAT and SAVEALL (RETR of each into a file) and ReadMail of every file,
#             as one account's download without the cache rows, poses or pauses
#   curl-retr curl -K: STAT, then RETR of every message into a file of its own, on one connection
#             (creating a thousand files is much of the cost on some machines, so both pay it)
# Not a test: figures depend on the machine. Installs what it needs; run it as root or with sudo
# rights: the mail belongs to nobody and Dovecot starts as root, so for another user those steps
# and the clean-up go through sudo. Goal: within 1.2 times curl.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1000}
source "$root/scripts/lib.sh"
morvik_install_deps build test-mail bench-pop3
morvik_build
b=$MORVIK_BUILD
as_root=()
[[ $(id -u) -ne 0 ]] && as_root=(sudo)
work=$(mktemp -d)
chmod 755 "$work"
dovecot_pid=
cleanup() {
    if [[ -n $dovecot_pid ]]; then
        # Dovecot's own pid: under sudo, $dovecot_pid is sudo's.
        if [[ -s $work/run/master.pid ]]; then
            "${as_root[@]}" kill "$(<"$work/run/master.pid")" 2>/dev/null || true
        fi
        kill "$dovecot_pid" 2>/dev/null || true
        wait "$dovecot_pid" 2>/dev/null || true
    fi
    "${as_root[@]}" rm -rf "$work" || true
}
trap cleanup EXIT

user=bench
password=secret
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/run" "$work/state" "$work/mail/$user/"{new,cur,tmp} "$work/saved"
printf '%s:{PLAIN}%s\n' "$user" "$password" >"$work/passwd"
cat >"$work/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $work/run
state_dir = $work/state
log_path = $work/log
ssl = no
disable_plaintext_auth = no
auth_failure_delay = 0
first_valid_uid = 1
mail_location = maildir:$work/mail/%u
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = 0
  }
}
passdb {
  driver = passwd-file
  args = scheme=PLAIN $work/passwd
}
userdb {
  driver = static
  args = uid=65534 gid=65534 home=$work/mail/%u
}
CONF
python3 - "$work/mail/$user/new" "$count" <<'PY'
import sys, os
folder, count = sys.argv[1], int(sys.argv[2])
line = "メールの本文です。" * 8 + "\r\n"
for i in range(1, count + 1):
    body = (f"From: sender{i} <s{i}@example.com>\r\nTo: bench@example.com\r\n"
            f"Subject: =?UTF-8?B?44Oh44O844Or?= {i}\r\nDate: Tue, 01 Dec 2026 09:30:00 +0900\r\n"
            "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + line * 8)
    with open(os.path.join(folder, f"{1700000000 + i}.M{i}P1.bench"), "wb") as f:
        f.write(body.encode())
PY
"${as_root[@]}" chown -R 65534:65534 "$work/mail"
"${as_root[@]}" /usr/sbin/dovecot -F -c "$work/dovecot.conf" &
dovecot_pid=$!
url=pop3://127.0.0.1:$port
for _ in $(seq 500); do
    curl -s -u "$user:$password" -X NOOP -I "$url/" >/dev/null 2>&1 && break
    sleep 0.01
done

{
    printf 'user = "%s:%s"\nsilent\nurl = "%s/"\nrequest = "STAT"\nhead\noutput = /dev/null\n' "$user" "$password" "$url"
    for i in $(seq "$count"); do
        printf 'next\nuser = "%s:%s"\nsilent\nurl = "%s/"\nrequest = "TOP %d 0"\noutput = /dev/null\n' \
            "$user" "$password" "$url" "$i"
    done
} >"$work/top.curl"
{
    printf 'user = "%s:%s"\nsilent\nurl = "%s/"\nrequest = "STAT"\nhead\noutput = /dev/null\n' "$user" "$password" "$url"
    for i in $(seq "$count"); do
        printf 'next\nuser = "%s:%s"\nsilent\nurl = "%s/%d"\noutput = "%s/saved/curl%d.tmp"\n' \
            "$user" "$password" "$url" "$i" "$work" "$i"
    done
} >"$work/retr.curl"

# seconds NAME COMMAND...: runs it five times, prints the median wall time in seconds.
seconds() {
    local name=$1 times=()
    shift
    for _ in 1 2 3 4 5; do
        rm -f "$work/saved/"*.tmp
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        times+=("$(((end - start) / 1000000))")
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    printf '%-10s %6d.%03d s   (runs: %s ms)\n' "$name" $((median / 1000)) $((median % 1000)) "${times[*]}"
}

echo "POP3, $count messages, Dovecot on 127.0.0.1:$port"
seconds check "$b/bench/pop3_calls" check "127.0.0.1	$port" "$user" "$password"
seconds curl-top curl -K "$work/top.curl"
seconds download "$b/bench/pop3_calls" download "127.0.0.1	$port" "$user" "$password" "$work/saved"
seconds curl-retr curl -K "$work/retr.curl"
stored=$("${as_root[@]}" find "$work/mail/$user/new" "$work/mail/$user/cur" -type f | wc -l)
echo "The Maildir still holds $stored of $count messages."
