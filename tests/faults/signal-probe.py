#!/usr/bin/python3
# Works a running Vexlar from outside, for the tests of how it ends.
#   signal-probe.py hold <fifo>: holds the FIFO open and full, never reading
#     it, so that a write into it waits; runs until killed.
#   signal-probe.py signal <pid> <strobe log> <signal name, as TERM>: sends
#     the signal and prints the milliseconds until the simulated
#     spectrometer's strobe log ends with "off" and until the process is
#     gone (-1 for what did not happen within 10 s).
import errno
import os
import signal
import sys
import time


def hold(path):
    fd = os.open(path, os.O_RDWR | os.O_NONBLOCK)
    try:
        while True:
            os.write(fd, b"\0" * 4096)
    except OSError as e:
        if e.errno != errno.EAGAIN:
            raise
    while True:
        time.sleep(60)


def last_switch(log):
    try:
        with open(log) as f:
            lines = f.read().split()
    except OSError:
        return ""
    return lines[-1] if lines else ""


def gone(pid):
    # The script that started the process reaps it later: a zombie is gone.
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def send(pid, log, name):
    start = time.monotonic()
    os.kill(pid, getattr(signal, "SIG" + name))
    off_ms = gone_ms = -1
    while time.monotonic() - start < 10 and gone_ms < 0:
        now_ms = round((time.monotonic() - start) * 1000)
        if off_ms < 0 and last_switch(log) == "off":
            off_ms = now_ms
        if gone(pid):
            gone_ms = now_ms
        time.sleep(0.001)
    print(off_ms, gone_ms)


if __name__ == "__main__":
    if sys.argv[1] == "hold":
        hold(sys.argv[2])
    else:
        send(int(sys.argv[2]), sys.argv[3], sys.argv[4])
