#!/usr/bin/env python3
"""A scripted SSTP server on 127.0.0.1:11000 for the tests that run the real program: it writes
each request it receives to a file (one request per line, its lines joined by ' | ') and answers
200 OK. It stops by itself after a while."""
import socket
import sys
import time

log_path, ready_path = sys.argv[1], sys.argv[2]
deadline = time.monotonic() + float(sys.argv[3] if len(sys.argv) > 3 else 60)

server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 11000))
server.listen(8)
server.settimeout(0.5)
open(ready_path, "w").close()
while time.monotonic() < deadline:
    try:
        conn, _ = server.accept()
    except socket.timeout:
        continue
    conn.settimeout(3)
    data = b""
    try:
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
        if data:
            conn.sendall(b"SSTP/1.1 200 OK\r\n\r\n")
    except OSError:
        pass
    finally:
        conn.close()
    if data:  # a presence probe connects and closes without sending anything
        text = data.decode("cp932", errors="replace").strip().replace("\r\n", " | ")
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(text + "\n")
