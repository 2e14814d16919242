#!/usr/bin/env python3
"""POP3 servers for the tests on X, on 127.0.0.1: pop3_peers.py LOG REFUSING [SILENT].

REFUSING greets and refuses every password; SILENT (when given) takes connections and says nothing.
LOG gets a line per event: "ready" once both listen, "refusing VERB" and "user NAME" for what the
refusing one is told, "silent connected" for each connection the silent one takes."""
import socket
import sys
import threading

log = sys.argv[1]
ports = [int(p) for p in sys.argv[2:]]


def note(what):
    with open(log, "a") as f:
        f.write(what + "\n")


def listen(port):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen()
    return s


def refuse(listener):
    while True:
        client, _ = listener.accept()
        client.sendall(b"+OK ready\r\n")
        for line in client.makefile("rb"):
            verb = line[:4].upper()
            note("refusing " + verb.decode())
            if verb == b"USER":
                note("user " + line[5:].strip().decode())
            if verb == b"CAPA":
                client.sendall(b"+OK\r\nUSER\r\n.\r\n")
            elif verb == b"PASS":
                client.sendall(b"-ERR bad password\r\n")
            elif verb == b"QUIT":
                client.sendall(b"+OK bye\r\n")
                break
            else:
                client.sendall(b"+OK\r\n")
        client.close()


def keep_silent(listener):
    held = []
    while True:
        client, _ = listener.accept()
        note("silent connected")
        held.append(client)


listeners = [listen(p) for p in ports]
threading.Thread(target=refuse, args=(listeners[0],), daemon=True).start()
note("ready")
if len(listeners) > 1:
    keep_silent(listeners[1])
else:
    threading.Event().wait()
