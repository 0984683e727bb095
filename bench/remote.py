#!/usr/bin/python3
"""The Tango device's figures, on the real program (vexlar --no-window
--tango-port) and the simulated spectrometer, through PyTango clients.

    round_trip: a client writes IntegrationTime and reads it back, one call
                after the other over loopback, while the spectrometer scans
                at 4 ms; each write-then-read timed.
    events:     three subscribers, each a process of its own, take the change
                events of ScanCount and Spectrum while the spectrometer scans
                at 4 ms; each counts the scans it saw and the counts it missed.

    python3 bench/remote.py --build build [--seconds 60]
"""

import argparse
import json
import os
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import wholeprogram  # noqa: E402


def available():
    try:
        import tango  # noqa: F401
        return True
    except ImportError:
        return False


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def address(port):
    return "tango://127.0.0.1:%d/vexlar/raman/1#dbase=no" % port


def device_program(build, integration_ms=4):
    """The program exporting its device, and the client's address for it."""
    port = free_port()
    program = wholeprogram.Program(build, ini=wholeprogram.acquisition_ini(integration_ms), probe=False,
                                   arguments=["--no-window", "--tango-port", str(port)])
    import tango
    device = tango.DeviceProxy(address(port))
    deadline = time.monotonic() + 30
    while True:
        try:
            device.ping()
            return program, device, address(port)
        except tango.DevFailed:
            if time.monotonic() > deadline or not program.alive():
                program.close()
                raise wholeprogram.ProgramError("the device did not start")
            time.sleep(0.05)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def round_trip(build, calls=2000):
    program, device, _ = device_program(build)
    try:
        time.sleep(1.0)  # the acquisition under way
        times = []
        for _ in range(calls):
            start = time.perf_counter_ns()
            device.IntegrationTime = 4
            value = device.IntegrationTime
            times.append((time.perf_counter_ns() - start) / 1e6)
            if value != 4:
                raise wholeprogram.ProgramError("IntegrationTime read back %r" % value)
        return {"calls": calls, "median_ms": percentile(times, 50), "p99_ms": percentile(times, 99),
                "max_ms": max(times)}
    finally:
        program.close()


def subscriber(where, seconds):
    """One subscriber's run, printed as JSON. The events are queued by the
    client library and taken in batches (PyTango 9.3's callback threads
    crashed now and then in long runs). Every ScanCount event is counted;
    Spectrum is subscribed too, so the device pushes both for every scan, but
    only its latest event is kept: turning 135 spectra a second into Python
    arrays in three processes would take the two cores from the program."""
    import tango
    device = tango.DeviceProxy(where)
    counts = []
    count_id = device.subscribe_event("ScanCount", tango.EventType.CHANGE_EVENT, 100000)
    spectrum_id = device.subscribe_event("Spectrum", tango.EventType.CHANGE_EVENT, 1)

    def drain():
        for event in device.get_events(count_id):
            if not event.err:
                counts.append(int(event.attr_value.value))
        device.get_events(spectrum_id)

    def wait(span):
        end = time.monotonic() + span
        while time.monotonic() < end:
            time.sleep(0.1)
            drain()

    wait(0.5)
    first = len(counts)
    wait(seconds)
    last = len(counts)
    window = counts[max(first - 1, 0):last]
    lost = sum(max(b - a - 1, 0) for a, b in zip(window, window[1:]))
    repeated = sum(1 for a, b in zip(window, window[1:]) if b <= a)
    print(json.dumps({"events_per_s": (last - first) / seconds, "lost": lost, "repeated": repeated}), flush=True)
    # The result is out: the process ends without PyTango's teardown of its
    # event threads, which also crashed now and then at exit.
    sys.stdout.flush()
    os._exit(0)


# The longest a subscriber stays subscribed. Debian 12's Tango 9.3 client,
# subscribed to a device served without a database, misses the server's
# heartbeat: after 10 s its keep-alive thread starts reconnecting (which
# slows the events), and after about 20 s it crashes there. A pure PyTango
# server without a database shows the same. The run is therefore made of
# back-to-back windows of fresh subscribers, each shorter than 10 s.
WINDOW_SECONDS = 8.0


def events(build, seconds=60.0, subscribers=3):
    program, _, where = device_program(build)
    try:
        time.sleep(1.0)
        results = []
        left = seconds
        while left > 0:
            span = min(WINDOW_SECONDS, left)
            left -= span
            runs = [subprocess.Popen([sys.executable, os.path.abspath(__file__), "--subscriber", where,
                                      "--seconds", str(span)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True)
                    for _ in range(subscribers)]
            for run in runs:
                out, err = run.communicate(timeout=span + 60)
                if run.returncode != 0:
                    raise wholeprogram.ProgramError("a subscriber failed with status %d: %s" %
                                                    (run.returncode, err[-400:]))
                results.append(json.loads(out.strip().splitlines()[-1]))
        return {"events_per_s": min(r["events_per_s"] for r in results),
                "lost": sum(r["lost"] for r in results), "repeated": sum(r["repeated"] for r in results)}
    finally:
        program.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--subscriber")
    args = parser.parse_args()
    if args.subscriber:
        subscriber(args.subscriber, args.seconds)
        return
    build = os.path.abspath(args.build)
    print(json.dumps({"round_trip": round_trip(build), "events": events(build, args.seconds),
                      "ceiling": wholeprogram.ceiling(build, 4, 10.0)}))


if __name__ == "__main__":
    main()
