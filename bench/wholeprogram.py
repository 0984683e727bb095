"""Whole-program figures of the real vexlar executable, measured from outside.

The program runs offscreen (QT_QPA_PLATFORM=offscreen) with the simulated
spectrometer, each run in a fresh settings folder (XDG_CONFIG_HOME) and
working folder. CPU time and resident set come from /proc/<pid>; scans
requested, completed and displayed come from the probe library
(bench/probe/ScanProbe.cpp, libvexlar_bench_probe.so) loaded with LD_PRELOAD,
which counts the program's calls into the driver and chart libraries and
changes nothing. Stdlib only.

Used by bench/bench.py; also runs on its own:

    python3 bench/wholeprogram.py [--build build] [--mode M] live|idle|startup|memory|ceiling
"""

import argparse
import json
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
PAGE_KIB = os.sysconf("SC_PAGE_SIZE") // 1024

# The probe's counters, in the order of struct Counters in ScanProbe.cpp.
PROBE_FIELDS = (
    "magic", "loaded_ns", "scan_requests", "scans_completed", "driver_notifies",
    "buffer_empties", "replots", "replot_ns", "scans_displayed", "latency_ns",
    "first_request_ns", "first_completed_ns", "first_displayed_ns", "last_displayed_ns",
    "heap_in_use", "heap_sampled_at", "commands_given", "scans_handled",
)
PROBE_MAGIC = 0x31424F5250584556

# Default integration time of a fresh settings file, and the readout the
# simulated spectrometer adds to every scan.
DEFAULT_INTEGRATION_MS = 100
SIM_READOUT_MS = 3


class ProgramError(RuntimeError):
    pass


def read_probe(path):
    try:
        with open(path, "rb") as f:
            data = f.read(8 * len(PROBE_FIELDS))
    except OSError:
        return None
    if len(data) < 8 * len(PROBE_FIELDS):
        return None
    values = dict(zip(PROBE_FIELDS, struct.unpack("<%dQ" % len(PROBE_FIELDS), data)))
    return values if values["magic"] == PROBE_MAGIC else None


def cpu_seconds(pid):
    """User plus system CPU time of the whole process (all threads)."""
    with open("/proc/%d/stat" % pid) as f:
        text = f.read()
    fields = text[text.rindex(")") + 2:].split()
    # Fields 14 and 15 of stat; the list starts at field 3.
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def rss_kib(pid):
    with open("/proc/%d/statm" % pid) as f:
        return int(f.read().split()[1]) * PAGE_KIB


class Program:
    """One run of vexlar with its own settings and working folder."""

    def __init__(self, build, ini=None, env=None, probe=True, arguments=()):
        self.folder = tempfile.mkdtemp(prefix="vexlar-bench-")
        config = os.path.join(self.folder, "config")
        os.makedirs(os.path.join(config, "vexlar"))
        if ini:
            with open(os.path.join(config, "vexlar", "vexlar.ini"), "w", newline="") as f:
                f.write(ini)
        self.probe_path = os.path.join(self.folder, "probe")
        environment = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            environment.pop(name, None)
        environment.update({
            "QT_QPA_PLATFORM": "offscreen",
            "XDG_CONFIG_HOME": config,
            "XDG_RUNTIME_DIR": self.folder,
        })
        if probe:
            environment["LD_PRELOAD"] = os.path.join(build, "lib", "libvexlar_bench_probe.so")
            environment["VEXLAR_PROBE_FILE"] = self.probe_path
        environment.update(env or {})
        executable = os.path.join(build, "bin", "vexlar")
        self.start_ns = time.monotonic_ns()
        self.process = subprocess.Popen([executable, *arguments], cwd=self.folder, env=environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.pid = self.process.pid

    def probe(self):
        return read_probe(self.probe_path)

    def alive(self):
        return self.process.poll() is None

    def wait_for(self, condition, timeout, what):
        """Polls the probe until condition(counters) holds."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.alive():
                raise ProgramError("vexlar ended while waiting for %s: %s" % (what, self.stderr_text()))
            counters = self.probe()
            if counters and condition(counters):
                return counters
            time.sleep(0.005)
        raise ProgramError("vexlar did not reach %s within %g s" % (what, timeout))

    def snapshot(self):
        return {"t": time.monotonic(), "cpu": cpu_seconds(self.pid), "rss_kib": rss_kib(self.pid),
                "probe": self.probe()}

    def stderr_text(self):
        try:
            return self.process.stderr.read().decode(errors="replace").strip()[-400:]
        except (OSError, ValueError):
            return ""

    def close(self):
        if self.alive():
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process.stderr:
            self.process.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def acquisition_ini(integration_ms, average=1):
    return "[Acquisition]\r\nIntegrationTime=%d\r\nAverage=%d\r\n" % (integration_ms, average)


def between(a, b):
    """Rates and costs between two snapshots."""
    seconds = b["t"] - a["t"]
    pa, pb = a["probe"], b["probe"]
    completed = pb["scans_completed"] - pa["scans_completed"]
    handled = pb["scans_handled"] - pa["scans_handled"]
    displayed = pb["scans_displayed"] - pa["scans_displayed"]
    replots = pb["replots"] - pa["replots"]
    return {
        "seconds": seconds,
        "completed_per_s": completed / seconds,
        # Frames of the chart drawn with a new scan in them.
        "displayed_per_s": displayed / seconds,
        # The driver holds its next scan until the view asks, so at most one
        # scan is in flight at either end of the window.
        "dropped": max(0, completed - handled - 1),
        "driver_failures": pb["driver_notifies"] - pa["driver_notifies"],
        # Scans the view handled: it gave the buffer back.
        "handled_per_s": handled / seconds,
        "painted_per_s": replots / seconds,
        "cpu_percent": 100.0 * (b["cpu"] - a["cpu"]) / seconds,
        "replot_ms": (pb["replot_ns"] - pa["replot_ns"]) / max(1, replots) / 1e6,
        "message_to_handled_ms": (pb["latency_ns"] - pa["latency_ns"]) / max(1, handled) / 1e6,
        "rss_mib": b["rss_kib"] / 1024.0,
    }


# The display modes of a live run: the commands the probe gives as the
# operator would, once the first scan is in (see bench/probe/ScanProbe.cpp).
LIVE_MODES = {
    "replace": "",
    "dark subtracted": "store-dark,subtract-dark",
    "additive": "store-dark,additive",
    "cursor shown": "cursor",
    "additive, cursor shown": "store-dark,additive,cursor",
}


# Both cleaning steps, as the operator switches them on from the View menu.
CLEANING_COMMANDS = "remove-spikes,subtract-baseline"


def live(build, integration_ms, seconds=10.0, warm_up=1.0, env=None, mode="replace", cleaning=False):
    """Continuous acquisition at the given integration time and 1 average, in
    one of LIVE_MODES, with both cleaning steps on when cleaning is true."""
    env = dict(env or {})
    given = ",".join(c for c in (LIVE_MODES[mode], CLEANING_COMMANDS if cleaning else "") if c)
    if given:
        env["VEXLAR_PROBE_COMMANDS"] = given
    with Program(build, ini=acquisition_ini(integration_ms), env=env) as program:
        program.wait_for(lambda c: c["scans_displayed"] >= 1, 20.0, "the first scan displayed")
        commands = len(given.split(",")) if given else 0
        program.wait_for(lambda c: c["commands_given"] >= commands, 10.0, "the commands of mode %s" % mode)
        time.sleep(warm_up)
        a = program.snapshot()
        time.sleep(seconds)
        b = program.snapshot()
        result = between(a, b)
        result["integration_ms"] = integration_ms
        result["mode"] = mode
        return result


def ceiling(build, integration_ms=4, seconds=10.0, warm_up=1.0, env=None):
    """The simulated spectrometer's own pace: scans per second delivered to a
    client that answers each at once (bench/ceiling/SimCeiling.cpp)."""
    folder = tempfile.mkdtemp(prefix="vexlar-ceiling-")
    try:
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=folder,
                           XDG_RUNTIME_DIR=folder, **(env or {}))
        out = subprocess.run([os.path.join(build, "bin", "bench_sim_ceiling"), "--integration-ms",
                              str(integration_ms), "--seconds", str(seconds), "--warm-up", str(warm_up)],
                             capture_output=True, text=True, env=environment, timeout=seconds + warm_up + 30)
        if out.returncode != 0:
            raise ProgramError("bench_sim_ceiling failed: %s" % out.stderr[-400:])
        return json.loads(out.stdout.strip().splitlines()[-1])
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def startup(build):
    """Default settings: process start to the first scan drawn."""
    with Program(build) as program:
        c = program.wait_for(lambda c: c["first_displayed_ns"] != 0, 30.0, "the first scan displayed")
        time.sleep(0.5)
        rss = rss_kib(program.pid)
        total = (c["first_displayed_ns"] - program.start_ns) / 1e6
        scan = (c["first_completed_ns"] - c["first_request_ns"]) / 1e6
        return {
            "to_first_scan_drawn_ms": total,
            # The first scan's own time (integration, readout, delivery),
            # from the view's request to the driver's message.
            "first_scan_ms": scan,
            "beyond_first_scan_ms": total - scan,
            "beyond_integration_ms": total - DEFAULT_INTEGRATION_MS,
            "to_first_request_ms": (c["first_request_ns"] - program.start_ns) / 1e6,
            "to_libraries_loaded_ms": (c["loaded_ns"] - program.start_ns) / 1e6,
            "message_to_drawn_ms": (c["first_displayed_ns"] - c["first_completed_ns"]) / 1e6,
            "rss_after_start_mib": rss / 1024.0,
        }


def memory(build, scans=10000, speed=1000.0, early=1000):
    """Resident set and heap in use after start and after many scans, with the
    simulated spectrometer sped up so the program's own pace sets the rate.
    The probe samples the heap every 500th scan; growth is measured from the
    sample at `early` scans (the program warmed up) to the last one."""
    env = {"VEXLAR_SIM_SPEED": "%g" % speed}
    with Program(build, ini=acquisition_ini(4), env=env) as program:
        program.wait_for(lambda c: c["scans_displayed"] >= 1, 20.0, "the first scan displayed")
        after_start = program.snapshot()
        early_snap = program.wait_for(lambda c: c["heap_sampled_at"] >= early, 120.0, "%d scans" % early)
        early_snap = program.snapshot()
        program.wait_for(lambda c: c["heap_sampled_at"] >= scans, 300.0, "%d scans" % scans)
        end = program.snapshot()
        rate = between(early_snap, end)
        pe, pn = early_snap["probe"], end["probe"]
        return {
            "rss_after_start_mib": after_start["rss_kib"] / 1024.0,
            "rss_after_early_mib": early_snap["rss_kib"] / 1024.0,
            "rss_after_scans_mib": end["rss_kib"] / 1024.0,
            "scans": pn["heap_sampled_at"],
            "rss_growth_kib": end["rss_kib"] - early_snap["rss_kib"],
            "heap_early_kib": pe["heap_in_use"] / 1024.0,
            "heap_end_kib": pn["heap_in_use"] / 1024.0,
            "heap_growth_bytes": pn["heap_in_use"] - pe["heap_in_use"],
            "heap_growth_from": pe["heap_sampled_at"],
            "program_limited_handled_per_s": rate["handled_per_s"],
            "program_limited_cpu_percent": rate["cpu_percent"],
            "program_limited_dropped": rate["dropped"],
        }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("what", choices=["live", "idle", "startup", "memory", "ceiling"])
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--mode", choices=sorted(LIVE_MODES), default="replace")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if args.what == "live":
        result = live(build, 4, args.seconds, mode=args.mode)
    elif args.what == "ceiling":
        result = ceiling(build, 4, args.seconds)
    elif args.what == "idle":
        result = live(build, 100, args.seconds)
    elif args.what == "startup":
        result = startup(build)
    else:
        result = memory(build)
    print(json.dumps(result, indent=2))


if __name__ == "__main__":
    main()
