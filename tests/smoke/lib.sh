# Helpers for tests that run the real program on a private virtual X server. Sourced.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

# start_x: starts Xvfb on a free display (1024 x 768), sets DISPLAY, paints the root window a known
# colour (ROOT_COLOUR) and arranges for everything to stop when the test ends.
ROOT_COLOUR=${ROOT_COLOUR:-#3a6ea5}
SMOKE_WORK=$(mktemp -d)
SMOKE_HELPERS=()
# Runs on every exit, also after a failure under set -e: a process that is already gone must not
# stop it before the rest is stopped.
smoke_cleanup() {
    local pid
    # The program saves her place as it ends: let it finish before its folder goes.
    if [[ -n ${SMOKE_APP:-} ]] && kill "$SMOKE_APP" 2>/dev/null; then
        for _ in $(seq 100); do kill -0 "$SMOKE_APP" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$SMOKE_APP" 2>/dev/null || true
    fi
    for pid in "${SMOKE_HELPERS[@]}" ${SMOKE_XVFB:-}; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$SMOKE_WORK"
}
trap smoke_cleanup EXIT

# stop_at_exit PID: a helper process of the test (a scripted server, say), stopped with the rest.
stop_at_exit() {
    SMOKE_HELPERS+=("$1")
}

start_x() {
    # A runtime folder of its own: the single-instance lock of one test must not stop another's.
    export XDG_RUNTIME_DIR=$SMOKE_WORK/runtime
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    morvik_xvfb "$SMOKE_WORK" || exit 1
    SMOKE_XVFB=$MORVIK_XVFB
    export QT_QPA_PLATFORM=xcb
    xsetroot -solid "$ROOT_COLOUR"
}

# start_sstp_server: starts the scripted SSTP server on 127.0.0.1:11000 (stopped at exit); it logs
# each request to $SMOKE_LOG. Fails the test when the server does not come up.
SMOKE_LOG=$SMOKE_WORK/sstp.log
start_sstp_server() {
    local server
    python3 "$(dirname "${BASH_SOURCE[0]}")/sstp_server.py" "$SMOKE_LOG" "$SMOKE_WORK/ready" 60 \
        2>"$SMOKE_WORK/server.err" &
    server=$!
    stop_at_exit $server
    for _ in $(seq 50); do
        [[ -e $SMOKE_WORK/ready ]] && break
        kill -0 $server 2>/dev/null || break
        sleep 0.1
    done
    [[ -e $SMOKE_WORK/ready ]] || { echo "the scripted SSTP server did not start"; cat "$SMOKE_WORK/server.err"; exit 1; }
    export MORVIK_COM_REGISTRY=$SMOKE_WORK/classes.reg
}

# start_pop3_peers PORT [PORT]: the scripted POP3 servers of pop3_peers.py on 127.0.0.1 (the first
# refuses every password, the second says nothing), stopped at exit; what they are told goes to
# $PEER_LOG. Fails the test when they do not come up.
PEER_LOG=$SMOKE_WORK/pop3.log
start_pop3_peers() {
    python3 "$(dirname "${BASH_SOURCE[0]}")/pop3_peers.py" "$PEER_LOG" "$@" 2>"$SMOKE_WORK/pop3.err" &
    stop_at_exit $!
    wait_output 100 grep -x ready "$PEER_LOG" >/dev/null ||
        { echo "the POP3 servers did not start"; cat "$SMOKE_WORK/pop3.err"; exit 1; }
}

# settings_db PYTHON [ARG...]: her settings database ($MORVIK_HOME/MAIL.INI, made anew, hers alone),
# filled by PYTHON, which finds it open as `db` and its arguments in sys.argv[2:].
settings_db() {
    export MORVIK_HOME=$SMOKE_WORK/home
    mkdir -p "$MORVIK_HOME"
    local fill=$1
    shift
    python3 - "$MORVIK_HOME/MAIL.INI" "$@" <<PY
import os, sqlite3, sys
os.close(os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600))
db = sqlite3.connect(sys.argv[1])
db.execute("PRAGMA application_id = %d" % 0x4d6f7364)
$fill
db.commit()
PY
}

# mail_accounts USER:PASSWORD...: her settings database with these accounts on 127.0.0.1, in order.
mail_accounts() {
    settings_db '
db.execute("CREATE TABLE \"mail\" (ID INTEGER PRIMARY KEY CHECK (ID BETWEEN 1 AND 3), \"Server\" TEXT, \"User\" TEXT, \"pass\" TEXT)")
for row, account in enumerate(sys.argv[2:], 1):
    user, password = account.split(":", 1)
    db.execute("INSERT INTO mail VALUES (?, \x27127.0.0.1\x27, ?, ?)", (row, user, password))' "$@"
}

# drop_home: a home of her own with a desktop (HOME, XDG_CONFIG_HOME), and a folder for the files
# a test drops on her ($files).
drop_home() {
    export HOME=$SMOKE_WORK/h XDG_CONFIG_HOME=$SMOKE_WORK/h/.config
    mkdir -p "$HOME/Desktop"
    files=$SMOKE_WORK/files
    mkdir -p "$files"
}

# serve_sites ID=PATH...: the shipped dialogue database copied for the test (MORVIK_DATA), with
# every headline site on a local page server of the feeds of tests/fixtures/headline: each id given
# at its path, the rest missing (404).
serve_sites() {
    local here port
    here=$(dirname "${BASH_SOURCE[0]}")
    mkdir -p "$SMOKE_WORK/pages"
    cp "$here"/../fixtures/headline/* "$SMOKE_WORK/pages"/
    /usr/bin/python3 "$here/../support/page_server.py" --dir "$SMOKE_WORK/pages" >"$SMOKE_WORK/port" 2>/dev/null &
    stop_at_exit $!
    port=$(wait_output 100 head -n 1 "$SMOKE_WORK/port") || { echo "the page server did not start"; exit 1; }
    mkdir -p "$SMOKE_WORK/data"
    cp "$MORVIK_DATA/morvik_heart.mdb" "$SMOKE_WORK/data/"
    chmod u+w "$SMOKE_WORK/data/morvik_heart.mdb"
    export MORVIK_DATA=$SMOKE_WORK/data
    /usr/bin/python3 - "$SMOKE_WORK/data/morvik_heart.mdb" "http://127.0.0.1:$port" "$@" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
paths = {int(k): v for k, v in (a.split("=", 1) for a in sys.argv[3:])}
for (row,) in db.execute("SELECT id FROM hedline").fetchall():
    db.execute("UPDATE hedline SET url = ? WHERE id = ?", (sys.argv[2] + paths.get(row, "/status/404"), row))
db.commit()
PY
}

# start_morvik PROGRAM TOP LEFT [KEY=VALUE...]: starts the program with a fresh program folder whose
# settings place the window at TOP (x) and LEFT (y), plus the given keys.
start_morvik() {
    local program=$1 top=$2 left=$3
    shift 3
    export MORVIK_HOME=$SMOKE_WORK/home
    export MORVIK_COM_REGISTRY=${MORVIK_COM_REGISTRY:-$SMOKE_WORK/classes.reg}
    mkdir -p "$MORVIK_HOME"
    { printf '[%s]\ntop=%s\nleft=%s\n' "$(id -un)" "$top" "$left"; printf '%s\n' "$@"; } >"$MORVIK_HOME/mailSet.ini"
    "$program" 2>"$SMOKE_WORK/stderr" &
    SMOKE_APP=$!
}

# start_greeted PROGRAM [KEY=VALUE...]: starts the program at 300,200 (start_morvik), waits until
# her greeting is over, and sets x y to a point on her body.
start_greeted() {
    local program=$1
    shift
    greeted_at "$program" 300 200 "$@"
}

# greeted_at PROGRAM TOP LEFT [KEY=VALUE...]: start_greeted, with her window at TOP (x) and LEFT (y).
greeted_at() {
    local wx wy
    start_morvik "$@"
    wait_window morvik >/dev/null
    wait_greeting
    read -r wx wy < <(window_place morvik)
    x=$((wx + 75)) y=$((wy + 150))
}

# wait_output TRIES COMMAND...: runs COMMAND every 0.1 s, up to TRIES times, until it prints
# something, and prints that; fails when it never does.
wait_output() {
    local tries=$1 out
    shift
    for _ in $(seq "$tries"); do
        out=$("$@") || true
        [[ -n $out ]] && { echo "$out"; return 0; }
        sleep 0.1
    done
    return 1
}

# first_window NAME: the id of the first mapped window whose class is NAME, or nothing.
first_window() {
    xdotool search --onlyvisible --class "$1" 2>/dev/null | head -n 1
}

# wait_window NAME: the id of the first mapped window whose class is NAME (waits up to 20 s, and
# no longer once the program has ended).
wait_window() {
    local id
    for _ in $(seq 200); do
        id=$(first_window "$1") || true
        [[ -n $id ]] && { echo "$id"; return 0; }
        if [[ -n ${SMOKE_APP:-} ]] && ! kill -0 "$SMOKE_APP" 2>/dev/null; then
            echo "the program ended before a window of class $1 appeared" >&2
            cat "$SMOKE_WORK/stderr" >&2 || true
            return 1
        fi
        sleep 0.1
    done
    echo "no window of class $1 appeared" >&2
    return 1
}

# window_place NAME: "x y" of the mapped window of class NAME (looked up afresh each time).
window_place() {
    local id
    id=$(xdotool search --onlyvisible --class "$1" 2>/dev/null | tail -n 1)
    xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}

# wait_outline PROBE SHAPE: waits (up to 30 s) until the window shows the named outline: a pixel
# inside it shows the window and one just outside shows the root window. Sets WX WY to its place.
wait_outline() {
    local ix iy ox oy inside outside root
    root=$(echo "$ROOT_COLOUR" | tr 'A-F' 'a-f')
    read -r ix iy ox oy < <("$1" "$2")
    for _ in $(seq 60); do
        read -r WX WY < <(window_place morvik)
        inside=$(pixel $((WX + ix)) $((WY + iy)))
        outside=$(pixel $((WX + ox)) $((WY + oy)))
        [[ -n $inside && $inside != "$root" && $outside == "$root" ]] && return 0
        sleep 0.5
    done
    echo "the window never showed $2: inside $inside, outside $outside" >&2
    return 1
}

# wait_greeting: waits for her greeting balloon to open, then (up to 30 s) for it to close: her menu
# opens only once it is over.
wait_greeting() {
    wait_window fuki >/dev/null
    for _ in $(seq 300); do
        [[ -z $(first_window fuki) ]] && return 0
        sleep 0.1
    done
}

# choose_item X Y N: right-clicks the character at screen X Y until her menu opens, then picks its
# Nth item from the bottom with the keyboard.
choose_item() {
    local windows keys
    for _ in $(seq 20); do
        xdotool mousemove "$1" "$2" click 3
        sleep 0.5
        windows=$(xdotool search --onlyvisible --class morvik 2>/dev/null | wc -l)
        if [[ $windows -gt 1 ]]; then
            keys=$(printf 'Up %.0s' $(seq "$3"))
            # shellcheck disable=SC2086 # one key a word
            xdotool key $keys Return
            return 0
        fi
    done
    echo "her menu never opened" >&2
    return 1
}

# choose_first X Y: right-clicks the character at screen X Y until her menu opens, then picks its
# first item (メールを確認する) with the keyboard.
choose_first() {
    for _ in $(seq 20); do
        xdotool mousemove "$1" "$2" click 3
        sleep 0.5
        if [[ $(xdotool search --onlyvisible --class morvik 2>/dev/null | wc -l) -gt 1 ]]; then
            xdotool key Down Return
            return 0
        fi
    done
    echo "her menu never opened" >&2
    return 1
}

# choose_end X Y: picks her menu's last item (終了).
choose_end() {
    choose_item "$1" "$2" 1
}

# wait_exit: waits (up to 20 s) for the program to end; fails when it does not, or ends badly.
wait_exit() {
    for _ in $(seq 200); do
        kill -0 "$SMOKE_APP" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$SMOKE_APP" 2>/dev/null; then echo "still running 20 s after she was told to end" >&2; return 1; fi
    local status=0
    wait "$SMOKE_APP" || status=$?
    SMOKE_APP=
    [[ $status == 0 ]] || { echo "exit status $status" >&2; cat "$SMOKE_WORK/stderr" >&2; return 1; }
}

# lazy_libraries_loaded PID: which of the libraries the program opens only on first use (for a
# drop, a mail check or a launch) the process has loaded, one file name a line. GObject is not
# asked about: the sound libraries, loaded by her first clip, bring it too.
lazy_libraries_loaded() {
    awk '{print $6}' "/proc/$1/maps" | sed -n 's|.*/||p' | sort -u |
        grep -E '^lib(archive|curl|gmime-3\.0|gio-2\.0)\.so' || true
}

# pixel X Y: the screen pixel's colour as #rrggbb.
pixel() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        sed -n '2s/.*\(#[0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}

# stacked_first ID ID: of two mapped top-level windows (decimal ids, as xdotool gives them), the one
# that lies higher in the stacking order.
stacked_first() {
    local a b line
    a=$(printf '0x%x' "$1") b=$(printf '0x%x' "$2")
    # The root window's children, the top-most first.
    while read -r line; do
        case ${line%% *} in
        "$a") echo "$1"; return 0 ;;
        "$b") echo "$2"; return 0 ;;
        esac
    done < <(xwininfo -root -children)
    return 1
}
