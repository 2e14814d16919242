#!/usr/bin/python3
"""Serves a folder over HTTP on 127.0.0.1 for the tests, with a few paths that misbehave on purpose.

Prints the port it took on its first line. Besides the folder's files:
  /slow      headers at once, then one byte a second for a minute
  /silent    the connection is accepted, nothing is ever answered
  /status/N  an empty reply with status N
  /redirect?to=PATH   302 to PATH
  /huge      20 MiB of 'x', streamed
  /delay/MS/PATH      the folder's file PATH, after MS milliseconds
With --tls CERT KEY it speaks HTTPS.
"""
import argparse
import http.server
import ssl
import sys
import time
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/slow":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", "60")
            self.end_headers()
            for _ in range(60):
                self.wfile.write(b"x")
                self.wfile.flush()
                time.sleep(1)
            return
        if url.path == "/silent":
            time.sleep(600)
            return
        if url.path.startswith("/status/"):
            self.send_response(int(url.path.split("/")[2]))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if url.path == "/redirect":
            target = urllib.parse.parse_qs(url.query).get("to", ["/"])[0]
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if url.path.startswith("/delay/"):
            _, _, ms, rest = url.path.split("/", 3)
            time.sleep(int(ms) / 1000)
            self.path = "/" + rest
            return super().do_GET()
        if url.path == "/huge":
            size = 20 * 1024 * 1024
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.end_headers()
            chunk = b"x" * 65536
            try:
                for _ in range(size // len(chunk)):
                    self.wfile.write(chunk)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        super().do_GET()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    args = parser.parse_args()
    handler = lambda *a, **k: Handler(*a, directory=args.dir, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
