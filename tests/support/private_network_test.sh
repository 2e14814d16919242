#!/usr/bin/env bash
# private_network gives its command a network of its own: a port held outside is free inside, and a
# listener outside cannot be reached from inside.
set -euo pipefail
wrapper=$1
work=$(mktemp -d)
trap 'kill "${outside:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

python3 -c '
import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(1)
open(sys.argv[1], "w").write(str(s.getsockname()[1]))
time.sleep(120)' "$work/port" &
outside=$!
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.05; done
port=$(cat "$work/port")

"$wrapper" python3 -c '
import socket, sys
port = int(sys.argv[1])
probe = socket.socket()
try:
    probe.connect(("127.0.0.1", port))
    sys.exit("the listener outside is reachable inside")
except ConnectionRefusedError:
    pass
mine = socket.socket()
mine.bind(("127.0.0.1", port))  # raises when the port is still taken
mine.listen(1)
' "$port" 2>"$work/stderr" || { cat "$work/stderr"; exit 1; }
# No fallback to the shared network happened.
[[ ! -s $work/stderr ]] || { cat "$work/stderr"; exit 1; }
echo ok
