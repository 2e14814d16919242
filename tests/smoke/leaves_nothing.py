#!/usr/bin/env python3
"""leaves_nothing.py --hold-sstp-port COMMAND...: holds 127.0.0.1:11000 the way a foreign program
would (listening, never answering), runs COMMAND, which must then fail, and checks that COMMAND
stopped everything it started (Xvfb, the program, helpers) by the time it ended.

This process takes in the orphans of COMMAND (it becomes their child subreaper), so whatever COMMAND
leaves running shows up here as a child of ours; such leftovers are listed, killed, and fail the test.
Run it in a network of its own: the port it holds is then no one else's business."""
import ctypes
import os
import signal
import socket
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
GRACE_SECONDS = 5  # what a killed Xvfb or program may take to go


def children():
    """The pids whose parent is this process (reparented orphans included)."""
    mine = str(os.getpid())
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[1] == mine:  # fields after the name: state, ppid, ...
            found.append(int(entry))
    return found


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace").strip()
    except OSError:
        return "?"


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def main():
    args = sys.argv[1:]
    if args[:1] != ["--hold-sstp-port"] or len(args) < 2:
        sys.exit(__doc__)
    command = args[1:]
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("cannot become a child subreaper")

    holder = socket.socket()
    holder.bind(("127.0.0.1", 11000))
    holder.listen(8)

    status = subprocess.call(command)
    if status == 0:
        sys.exit("the command passed although its SSTP port was taken")

    deadline = time.monotonic() + GRACE_SECONDS
    while True:
        reap()
        left = children()
        if not left or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    if left:
        print("left running after the command ended:", file=sys.stderr)
        for pid in left:
            print(f"  {pid}: {command_line(pid)}", file=sys.stderr)
            os.kill(pid, signal.SIGKILL)
        reap()
        sys.exit(1)
    print(f"the command failed ({status}) and left nothing running")


main()
