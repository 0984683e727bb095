#!/usr/bin/python3
"""Runs every Vexlar benchmark and its peers and prints one table.

In-process figures come from the Google Benchmark binaries (bench_view,
bench_logic), whole-program figures from the real vexlar executable
(wholeprogram.py), and the peers from bench/peers/ (pyqtgraph, scipy, numpy).
Each figure is the median of several runs, shown with the lowest and highest
run. Every comparison with a peer is measured in the same run, alternating
Vexlar and the peer round by round; the ratio is taken per round and its
median shown.

    python3 bench/bench.py [--build build] [--rounds 5] [--runs 3] [--quick] [--no-peers]

Writes the table and every run to <build>/bench-results.md and .json too.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import remote  # noqa: E402
import wholeprogram  # noqa: E402

PEER_PYTHON = "/usr/bin/python3"  # the Debian interpreter the peer packages belong to


# --- Statistics -----------------------------------------------------------------

def median(values):
    ordered = sorted(values)
    n = len(ordered)
    if n == 0:
        return None
    mid = n // 2
    return ordered[mid] if n % 2 else 0.5 * (ordered[mid - 1] + ordered[mid])


class Figure:
    """One row of the table: Vexlar's runs, the target, the peer's runs and
    the per-round ratios."""

    def __init__(self, key, title, unit, digits=2, target=None, better="lower", note=""):
        self.key, self.title, self.unit, self.digits = key, title, unit, digits
        self.target, self.better, self.note = target, better, note
        self.runs, self.peer_runs, self.ratios = [], [], []
        self.peer_name = ""

    def value(self):
        return median(self.runs)

    def met(self):
        if self.target is None or not self.runs:
            return None
        v = self.value()
        return v <= self.target if self.better == "lower" else v >= self.target

    def text(self, values):
        if not values:
            return "n/a"
        fmt = "%%.%df" % self.digits
        m = fmt % median(values)
        if len(values) == 1:
            return m
        return "%s [%s–%s]" % (m, fmt % min(values), fmt % max(values))

    def as_dict(self):
        return {"title": self.title, "unit": self.unit, "runs": self.runs, "median": self.value(),
                "target": self.target, "better": self.better, "met": self.met(), "peer": self.peer_name,
                "peer_runs": self.peer_runs, "ratios": self.ratios, "note": self.note}


# --- Running the pieces -------------------------------------------------------------

def run_json(command, env=None, timeout=300):
    result = subprocess.run(command, capture_output=True, text=True, env=env, timeout=timeout)
    if result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), result.returncode, result.stderr[-600:]))
    return result.stdout


def gbench(binary, pattern, min_time, repetitions=1):
    """Google Benchmark runs of the benchmarks matching pattern: for each
    benchmark name, one dict per repetition (times in microseconds)."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    out = run_json([binary, "--benchmark_filter=" + pattern, "--benchmark_min_time=%g" % min_time,
                    "--benchmark_repetitions=%d" % repetitions, "--benchmark_format=json"], env=env)
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        if b.get("error_occurred"):
            raise RuntimeError("%s: %s" % (b["name"], b.get("error_message")))
        factor = scale[b["time_unit"]]
        entry = dict(b)
        entry["real_us"] = b["real_time"] * factor
        entry["cpu_us"] = b["cpu_time"] * factor
        runs.setdefault(b.get("run_name", b["name"]), []).append(entry)
    return runs


class Peer:
    """A peer script serving commands on its standard input."""

    def __init__(self, script, spectrum):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen([PEER_PYTHON, script, "--spectrum", spectrum, "--serve"],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, env=env)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise RuntimeError("peer ended while answering %r" % command)
        answer = json.loads(line)
        if "error" in answer:
            raise RuntimeError(answer["error"])
        return answer

    def close(self):
        try:
            self.process.stdin.write("quit\n")
            self.process.stdin.close()
            self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()


def peers_available():
    if not os.path.exists(PEER_PYTHON):
        return False, "%s not found" % PEER_PYTHON
    check = subprocess.run([PEER_PYTHON, "-c", "import PyQt6, pyqtgraph, scipy.signal, numpy"],
                           capture_output=True, text=True, env=dict(os.environ, PYQTGRAPH_QT_LIB="PyQt6"))
    if check.returncode != 0:
        return False, check.stderr.strip().splitlines()[-1] if check.stderr.strip() else "import failed"
    return True, ""


def peer_startup(spectrum):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=tempfile.gettempdir())
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    start = time.monotonic_ns()
    out = run_json([PEER_PYTHON, os.path.join(HERE, "peers", "plot_peer.py"), "--spectrum", spectrum, "--startup"],
                   env=env, timeout=60)
    answer = json.loads(out.strip().splitlines()[-1])
    return (answer["first_frame_ns"] - start) / 1e6, answer


def log(text):
    print(text, file=sys.stderr, flush=True)


# --- The benchmark run --------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rounds", type=int, default=5, help="alternating rounds of Vexlar and its peers")
    parser.add_argument("--runs", type=int, default=3, help="runs of each whole-program figure")
    parser.add_argument("--seconds", type=float, default=10.0, help="length of the live and idle runs")
    parser.add_argument("--quick", action="store_true", help="fewer and shorter runs (a smoke test)")
    parser.add_argument("--no-peers", action="store_true")
    args = parser.parse_args()
    if args.quick:
        args.rounds, args.runs, args.seconds = 2, 1, 3.0
    build = os.path.abspath(args.build)
    bench_view = os.path.join(build, "bin", "bench_view")
    bench_logic = os.path.join(build, "bin", "bench_logic")
    for path in (bench_view, bench_logic, os.path.join(build, "bin", "vexlar"),
                 os.path.join(build, "lib", "libvexlar_bench_probe.so")):
        if not os.path.exists(path):
            sys.exit("bench: %s is missing; build the project first (make bench)" % path)

    use_peers, why_not = (False, "--no-peers") if args.no_peers else peers_available()
    if not use_peers:
        log("bench: peers not used (%s)" % why_not)

    work = tempfile.mkdtemp(prefix="vexlar-bench-")
    started = time.monotonic()
    figures = {}

    def figure(key, *a, **k):
        figures[key] = Figure(key, *a, **k)
        return figures[key]

    f_scan = figure("scan", "1. Scan handler, each scan painted: message to chart redrawn (wall)", "ms", 3,
                    target=0.8)
    f_scan_cpu = figure("scan_cpu", "1. Scan handler, each scan painted (CPU time of the thread)", "ms", 3)
    f_allocs = figure("allocs", "1. Heap allocations per scan, all (malloc level)", "", 1)
    f_news = figure("news", "1. … of which by operator new", "", 1)
    f_view_allocs = figure("view_allocs", "1. Allocations per scan outside the chart's drawing", "", 2, target=0)
    f_redraw = figure("redraw", "1. Chart redraw alone: XrtSetValues(XRT_REPAINT, 1) (wall)", "ms", 3)
    f_scan_vs_peer = figure("scan_vs_peer", "1. … a scan drawn ÷ pyqtgraph's frame (same spectrum and size)", "", 2,
                            target=0.5)
    f_redraw_allocs = figure("redraw_allocs", "1. Heap allocations of the chart redraw alone", "", 1, target=20)
    other_modes = {}
    for mode, name in ((1, "dark subtracted"), (2, "additive, readout shown"), (3, "cursor shown, readout")):
        other_modes[mode] = (
            figure("scan_mode%d" % mode, "1. Scan handler, each scan painted, %s (wall)" % name, "ms", 3),
            figure("view_allocs_mode%d" % mode, "1. … allocations outside the chart's drawing", "", 1))
    # Scans within a display frame of the last paint: handled and attached
    # to the chart, painted with the frame later.
    handled = {}
    for mode, name in ((0, "replace"), (1, "dark subtracted"), (2, "additive, readout shown"),
                       (3, "cursor shown, readout")):
        handled[mode] = figure("handled_mode%d" % mode, "1. Scan handled within a frame, %s (CPU)" % name, "ms", 3)
    mode_ratios = {}
    for mode, name in ((2, "additive, readout shown"), (3, "cursor shown, readout")):
        mode_ratios[mode] = figure("scan_ratio_mode%d" % mode, "1. … %s ÷ replace mode" % name, "", 2,
                                   target=1.1)
    f_ceiling_sim = figure("sim_ceiling", "2. Simulated spectrometer's ceiling, 4 ms × 1 (client answering at once)",
                           "/s", 1)
    f_ceiling_sim_cpu = figure("sim_ceiling_cpu", "2. … CPU of that client and the simulator", "% of a core", 1)
    # The CPU targets: replace mode, and additive mode with the cursor shown.
    live_cpu_targets = {"replace": 12, "additive, cursor shown": 15}
    live = {}
    for mode in wholeprogram.LIVE_MODES:
        live[mode] = (
            figure("live_completed:" + mode, "2. Live 4 ms × 1, %s: scans completed per second" % mode, "/s", 1),
            figure("live_fraction:" + mode, "2. … as a fraction of the simulator's ceiling", "", 3,
                   target=0.95, better="higher"),
            figure("live_dropped:" + mode, "2. … scans dropped", "", 0, target=0),
            figure("live_painted:" + mode, "2. … chart painted per second", "/s", 1),
            figure("live_cpu:" + mode, "2. … CPU of the process", "% of a core", 1,
                   target=live_cpu_targets.get(mode)))
    f_live_latency = figure("live_latency", "2. Live, replace mode: driver's message to buffer given back", "ms", 2)
    # A detector ten times faster: 1 ms scans, no readout, both cleaning
    # steps on (View > Remove Spikes, View > Subtract Baseline).
    fast_env = {"VEXLAR_SIM_READOUT_MS": "0"}
    f_fast_ceiling = figure("fast_ceiling", "2. Simulated spectrometer's ceiling, 1 ms × 1, readout 0", "/s", 1)
    fast = {}
    for mode in wholeprogram.LIVE_MODES:
        fast[mode] = (
            figure("fast_fraction:" + mode, "2. Live 1 ms, readout 0, spikes and baseline on, %s: completed ÷ "
                   "ceiling" % mode, "", 3, target=0.95, better="higher"),
            figure("fast_dropped:" + mode, "2. … scans dropped", "", 0, target=0),
            figure("fast_painted:" + mode, "2. … chart drawn per second", "/s", 1, target=60),
            figure("fast_cpu:" + mode, "2. … CPU of the process", "% of a core", 1, target=50))
    f_idle_cpu = figure("idle_cpu", "3. Idle, 100 ms × 1: CPU of the process", "% of a core", 2, target=1)
    f_idle_rate = figure("idle_rate", "3. Idle, 100 ms × 1: chart painted per second", "/s", 2)
    f_idle_each = figure("idle_each", "3. Idle, 100 ms × 1: frames with a new scan ÷ scans completed", "", 3,
                         target=0.98, better="higher")
    f_start = figure("startup", "4. Start-up to first scan drawn, beyond the first scan's own time", "ms", 1,
                     target=100)
    f_start_total = figure("startup_total", "4. Start-up to first scan drawn, in all (default 100 ms scan)", "ms", 1)
    f_rss_start = figure("rss_start", "5. Resident set after start", "MiB", 1, target=45)
    f_rss_end = figure("rss_end", "5. Resident set after 10,000 scans", "MiB", 1, target=45)
    f_heap_growth = figure("heap_growth", "5. Heap in use, growth from scan 1,000 to 10,000", "bytes", 0, target=0)
    f_rss_growth = figure("rss_growth", "5. Resident set, growth from scan 1,000 to 10,000", "KiB", 0)
    f_ceiling = figure("ceiling", "5. Scans handled per second, spectrometer sped up ×1000", "/s", 0)
    f_peaks = figure("peaks", "6. Peak search, 2048 points, 20 bands", "µs", 2)
    f_export = figure("export", "7. Export of 2048 lines to a file", "ms", 3)
    f_export_text = figure("export_text", "7. Export text alone (no file)", "ms", 3)
    f_export_same = figure("export_same", "7. Export byte-identical to \"%.2f\\t%.2f\\r\\n\"", "", 0, target=1,
                           better="higher")
    f_save = figure("spectrum_save", "8. Spectrum file save (2048 points)", "ms", 3)
    f_load = figure("spectrum_load", "8. Spectrum file load", "ms", 3)
    f_settings_load = figure("settings_load", "8. Settings load (vexlar.ini)", "ms", 3)
    f_settings_save = figure("settings_save", "8. Settings save (vexlar.ini)", "ms", 3)
    f_anno = figure("anno_load", "8. Annotation file load, 100 records, into the view", "ms", 3)
    f_anno_decode = figure("anno_decode", "8. Annotation file read and decode, 100 records", "ms", 3)
    f_lamp = figure("lamp_calibration", "9. Calibrate from lamp: simulated neon scan, guess off +1.5 nm and 1 %",
                    "ms", 2, target=50)
    f_lamp_lines = figure("lamp_lines", "9. … lines used", "", 0, target=20, better="higher")
    f_lamp_worst = figure("lamp_worst", "9. … largest error inside the lines' span", "nm", 4, target=0.05)
    f_raman = figure("raman_check", "9. Check Raman shift: simulated cyclohexane, laser field 632.5 nm for 632.8 nm",
                     "ms", 2, target=50)
    f_raman_mean = figure("raman_mean", "9. … mean error found (7.50 expected)", "cm-1", 2)
    f_spikes = figure("spike_removal", "10. Spike removal, one scan of 2048 pixels", "µs", 2, target=20)
    f_baseline = figure("baseline", "10. Baseline fitted and subtracted, 2048 pixels", "ms", 3, target=1.0)
    f_scan_cleaning = figure("scan_cleaning", "10. Scan handler with both on (wall)", "ms", 3)
    series_title = "11. Timed series, 1,500 scans 20 ms apart, table one row per pixel"
    f_series_early = figure("series_early", series_title + ": per scan, scans 1–500 (wall)", "ms", 2)
    f_series_late = figure("series_late", "11. … per scan, scans 1,001–1,500 (wall)", "ms", 2)
    f_series_early_cpu = figure("series_early_cpu", "11. … per scan, scans 1–500 (CPU time of the thread)", "ms", 2)
    f_series_late_cpu = figure("series_late_cpu", "11. … per scan, scans 1,001–1,500 (CPU time of the thread)",
                               "ms", 2)
    f_series_ratio = figure("series_ratio", "11. … CPU per scan, later ÷ earlier", "", 2)
    f_series_median = figure("series_median_ratio", "11. … median CPU per scan, later ÷ earlier", "", 2, target=1.2)
    f_series_max = figure("series_max", "11. … longest scan (one that writes the table whole)", "ms", 1)
    f_tango_p99 = figure("tango_round_trip_p99", "12. Tango: IntegrationTime written then read, 99th percentile",
                         "ms", 3, target=2)
    f_tango_median = figure("tango_round_trip", "12. … median (loopback, scanning at 4 ms)", "ms", 3)
    f_tango_events = figure("tango_events", "12. Tango: change events to each of 3 subscribers at 4 ms", "/s", 1)
    f_tango_fraction = figure("tango_events_fraction", "12. … as a fraction of the simulator's ceiling", "", 3,
                              target=0.95, better="higher")
    f_tango_lost = figure("tango_events_lost", "12. … scans lost or repeated, all subscribers", "", 0, target=0)

    plot_peer = numeric_peer = None
    try:
        # The spectrum the benchmarks work on, for the peers.
        spectrum = os.path.join(work, "spectrum.txt")
        run_json([bench_logic, "--write-spectrum=" + spectrum])

        # Where the allocations of a scan come from.
        log("bench: allocation report")
        report_path = os.path.join(work, "alloc.json")
        run_json([bench_view, "--alloc-report=" + report_path], env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        with open(report_path) as f:
            alloc_report = json.load(f)
        paths = alloc_report["paths"]

        def outside_drawing(path):
            return sum(v for k, v in path["parts"].items() if not k.startswith("chart:"))

        def parts(path):
            return ", ".join("%s %.1f" % (k, v) for k, v in sorted(path["parts"].items()))

        f_view_allocs.runs.append(outside_drawing(paths["plain"]))
        f_view_allocs.note = "per scan by part of the path: " + parts(paths["plain"])
        f_redraw_allocs.runs.append(paths["chart redraw alone"]["heap_per_scan"])
        for mode, key in ((1, "dark subtracted"), (2, "additive"), (3, "cursor shown")):
            other_modes[mode][1].runs.append(outside_drawing(paths[key]))
            other_modes[mode][1].note = "%s: %s" % (key, parts(paths[key]))

        # The export file, checked against printf and (later) numpy.
        vexlar_export = os.path.join(work, "vexlar-export.txt")
        check = json.loads(run_json([bench_view, "--export-file=" + vexlar_export],
                                    env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).strip().splitlines()[-1])
        f_export_same.runs.append(1 if check["identical_to_printf"] else 0)
        f_export_same.note = "%d bytes; 1 = identical to printf" % check["bytes"]

        if use_peers:
            plot_peer = Peer(os.path.join(HERE, "peers", "plot_peer.py"), spectrum)
            numeric_peer = Peer(os.path.join(HERE, "peers", "numeric_peer.py"), spectrum)
            f_scan.peer_name = "pyqtgraph frame (setData + paint)"
            f_peaks.peer_name = "scipy.signal.find_peaks"
            f_export.peer_name = "numpy.savetxt"
            f_start.peer_name = "pyqtgraph start-up to first frame"

        # Alternating rounds: Vexlar, then its peer, for each compared figure.
        for r in range(args.rounds):
            log("bench: round %d of %d (scan handler, peak search, export)" % (r + 1, args.rounds))
            runs = gbench(bench_view, "^BM_ScanHandlerPainted/mode:0$|^BM_ExportFile$", 0.4)
            scan = runs["BM_ScanHandlerPainted/mode:0"][0]
            f_scan.runs.append(scan["real_us"] / 1e3)
            f_scan_cpu.runs.append(scan["cpu_us"] / 1e3)
            f_allocs.runs.append(scan["heap_allocs"])
            f_news.runs.append(scan["new_allocs"])
            f_export.runs.append(runs["BM_ExportFile"][0]["real_us"] / 1e3)
            if plot_peer:
                frame = plot_peer.ask("frames 300")["ms_per_frame"]
                f_scan.peer_runs.append(frame)
                f_scan.ratios.append(f_scan.runs[-1] / frame)
                f_scan_vs_peer.runs.append(f_scan.runs[-1] / frame)
            peaks = gbench(bench_logic, "^BM_PeakSearch$", 0.3)["BM_PeakSearch"][0]
            f_peaks.runs.append(peaks["real_us"])
            if numeric_peer:
                answer = numeric_peer.ask("peaks 0.3")
                f_peaks.peer_runs.append(answer["us_per_search"])
                f_peaks.ratios.append(f_peaks.runs[-1] / answer["us_per_search"])
                f_peaks.note = "find_peaks finds %d bands, Vexlar %d" % (len(answer["pixels"]), peaks["peaks"])
                numpy_export = os.path.join(work, "numpy-export.txt")
                answer = numeric_peer.ask("export 0.3 " + numpy_export)
                f_export.peer_runs.append(answer["ms_per_file"])
                f_export.ratios.append(f_export.runs[-1] / answer["ms_per_file"])
                with open(vexlar_export, "rb") as a, open(numpy_export, "rb") as b:
                    numpy_same = a.read() == b.read()
                f_export_same.note = "%d bytes; 1 = identical to printf; numpy.savetxt's file %s" % (
                    check["bytes"], "identical" if numpy_same else "DIFFERS")

        # The rest of the in-process figures, several repetitions each.
        log("bench: other in-process figures")
        runs = gbench(bench_view, "^BM_ScanHandlerPainted/mode:[123]$|^BM_ChartRedrawAlone$|^BM_SpectrumFile|"
                                  "^BM_AnnotationLoad$", 0.1, repetitions=args.rounds)
        for mode in (1, 2, 3):
            other_modes[mode][0].runs = [r["real_us"] / 1e3 for r in runs["BM_ScanHandlerPainted/mode:%d" % mode]]
        # The handler of scans within a frame, the four modes one after the
        # other in each repetition; CPU time, which the machine's load
        # disturbs least.
        for r in range(args.rounds):
            handler_runs = gbench(bench_view, "^BM_ScanHandler/mode:[0123]$", 0.2)
            for mode in (0, 1, 2, 3):
                handled[mode].runs.append(handler_runs["BM_ScanHandler/mode:%d" % mode][0]["cpu_us"] / 1e3)
            for mode in (2, 3):
                mode_ratios[mode].runs.append(handled[mode].runs[-1] / handled[0].runs[-1])
        f_redraw.runs = [r["real_us"] / 1e3 for r in runs["BM_ChartRedrawAlone"]]
        f_save.runs = [r["real_us"] / 1e3 for r in runs["BM_SpectrumFileSave"]]
        f_load.runs = [r["real_us"] / 1e3 for r in runs["BM_SpectrumFileLoad"]]
        f_anno.runs = [r["real_us"] / 1e3 for r in runs["BM_AnnotationLoad"]]
        runs = gbench(bench_logic, "^BM_ExportFormat$|^BM_Settings|^BM_AnnotationDecode$", 0.1,
                      repetitions=args.rounds)
        f_export_text.runs = [r["real_us"] / 1e3 for r in runs["BM_ExportFormat"]]
        f_settings_load.runs = [r["real_us"] / 1e3 for r in runs["BM_SettingsLoad"]]
        f_settings_save.runs = [r["real_us"] / 1e3 for r in runs["BM_SettingsSave"]]
        f_anno_decode.runs = [r["real_us"] / 1e3 for r in runs["BM_AnnotationDecode"]]
        runs = gbench(bench_logic, "^BM_LampCalibration$|^BM_RamanShiftCheck$", 0.1, repetitions=args.rounds)
        f_lamp.runs = [r["real_us"] / 1e3 for r in runs["BM_LampCalibration"]]
        f_lamp_lines.runs = [r["lines_used"] for r in runs["BM_LampCalibration"]]
        f_lamp_worst.runs = [r["worst_nm"] for r in runs["BM_LampCalibration"]]
        f_raman.runs = [r["real_us"] / 1e3 for r in runs["BM_RamanShiftCheck"]]
        f_raman_mean.runs = [r["mean_error"] for r in runs["BM_RamanShiftCheck"]]
        runs = gbench(bench_logic, "^BM_SpikeRemoval$|^BM_Baseline$", 0.2, repetitions=args.rounds)
        f_spikes.runs = [r["real_us"] for r in runs["BM_SpikeRemoval"]]
        f_baseline.runs = [r["real_us"] / 1e3 for r in runs["BM_Baseline"]]
        f_baseline.note = "%d iterations of the weights" % runs["BM_Baseline"][0]["fit_iterations"]
        runs = gbench(bench_view, "^BM_ScanHandlerCleaning$", 0.2, repetitions=args.rounds)
        f_scan_cleaning.runs = [r["real_us"] / 1e3 for r in runs["BM_ScanHandlerCleaning"]]
        log("bench: timed series with its table")
        series = gbench(bench_view, "^BM_TimedSeries/table:2/", 0.1, repetitions=args.runs)
        series = next(iter(series.values()))
        f_series_early.runs = [r["early_ms"] for r in series]
        f_series_late.runs = [r["late_ms"] for r in series]
        f_series_early_cpu.runs = [r["early_cpu_ms"] for r in series]
        f_series_late_cpu.runs = [r["late_cpu_ms"] for r in series]
        f_series_ratio.runs = [r["cpu_ratio"] for r in series]
        f_series_median.runs = [r["median_cpu_ratio"] for r in series]
        f_series_max.runs = [r["max_ms"] for r in series]
        f_series_max.note = ("the table, %.1f MB at the end, is written whole every 5 s of the series; the means "
                             "carry those writes, the median is what every scan costs" % series[0]["table_mb"])

        # The whole program.
        for r in range(args.runs):
            log("bench: whole program, run %d of %d (ceiling, live in every mode, idle, memory)" % (r + 1, args.runs))
            top = wholeprogram.ceiling(build, 4, args.seconds)
            f_ceiling_sim.runs.append(top["completed_per_s"])
            f_ceiling_sim_cpu.runs.append(top["cpu_percent"])
            for mode, (done, fraction, dropped, painted, cpu) in live.items():
                run = wholeprogram.live(build, 4, args.seconds, mode=mode)
                done.runs.append(run["completed_per_s"])
                # Against the ceiling measured in the same round.
                fraction.runs.append(run["completed_per_s"] / max(top["completed_per_s"], 1e-9))
                dropped.runs.append(run["dropped"])
                painted.runs.append(run["painted_per_s"])
                cpu.runs.append(run["cpu_percent"])
                if mode == "replace":
                    f_live_latency.runs.append(run["message_to_handled_ms"])
            fast_top = wholeprogram.ceiling(build, 1, args.seconds, env=fast_env)
            f_fast_ceiling.runs.append(fast_top["completed_per_s"])
            for mode, (fraction, dropped, painted, cpu) in fast.items():
                run = wholeprogram.live(build, 1, args.seconds, env=fast_env, mode=mode, cleaning=True)
                fraction.runs.append(run["completed_per_s"] / max(fast_top["completed_per_s"], 1e-9))
                dropped.runs.append(run["dropped"])
                painted.runs.append(run["painted_per_s"])
                cpu.runs.append(run["cpu_percent"])
            idle = wholeprogram.live(build, 100, args.seconds)
            f_idle_cpu.runs.append(idle["cpu_percent"])
            f_idle_rate.runs.append(idle["painted_per_s"])
            f_idle_each.runs.append(idle["displayed_per_s"] / max(idle["completed_per_s"], 1e-9))
            mem = wholeprogram.memory(build, scans=10000 if not args.quick else 3000,
                                      early=1000 if not args.quick else 500)
            f_rss_start.runs.append(mem["rss_after_start_mib"])
            f_rss_end.runs.append(mem["rss_after_scans_mib"])
            f_heap_growth.runs.append(mem["heap_growth_bytes"])
            f_rss_growth.runs.append(mem["rss_growth_kib"])
            f_ceiling.runs.append(mem["program_limited_handled_per_s"])
            f_ceiling.note = "CPU %.0f %% of a core at that pace" % mem["program_limited_cpu_percent"]
            if remote.available():
                trip = remote.round_trip(build)
                f_tango_p99.runs.append(trip["p99_ms"])
                f_tango_median.runs.append(trip["median_ms"])
                pushed = remote.events(build, args.seconds if args.quick else max(args.seconds, 60.0))
                f_tango_events.runs.append(pushed["events_per_s"])
                f_tango_fraction.runs.append(pushed["events_per_s"] / max(top["completed_per_s"], 1e-9))
                f_tango_lost.runs.append(pushed["lost"] + pushed["repeated"])
            else:
                f_tango_p99.note = "PyTango is missing (scripts/install-deps installs it)"
        for r in range(args.rounds):
            log("bench: start-up, round %d of %d" % (r + 1, args.rounds))
            start = wholeprogram.startup(build)
            f_start.runs.append(start["beyond_first_scan_ms"])
            f_start_total.runs.append(start["to_first_scan_drawn_ms"])
            if use_peers:
                peer_ms, info = peer_startup(spectrum)
                f_start.peer_runs.append(peer_ms)
                f_start.ratios.append(f_start.runs[-1] / peer_ms)
                f_start.peer_name = "pyqtgraph %s (%s, Qt %s) start-up to first frame" % (
                    info["pyqtgraph"], info["binding"], info["qt"])
    finally:
        for peer in (plot_peer, numeric_peer):
            if peer:
                peer.close()

    elapsed = time.monotonic() - started
    table = render(figures, use_peers, why_not, elapsed, args)
    print(table)
    results = {"figures": {k: f.as_dict() for k, f in figures.items()}, "allocation_report": alloc_report,
               "seconds": elapsed, "rounds": args.rounds, "runs": args.runs, "load_average": os.getloadavg()}
    with open(os.path.join(build, "bench-results.md"), "w") as f:
        f.write(table + "\n")
    with open(os.path.join(build, "bench-results.json"), "w") as f:
        json.dump(results, f, indent=1)
    shutil.rmtree(work, ignore_errors=True)


def render(figures, use_peers, why_not, elapsed, args):
    header = ["Figure", "Vexlar: median [min–max]", "Target", "Met", "Peer: median [min–max]", "Vexlar ÷ peer"]
    rows, notes = [], []
    for f in figures.values():
        target = ""
        if f.target is not None:
            target = ("≤ " if f.better == "lower" else "≥ ") + ("%g" % f.target) + (" " + f.unit if f.unit else "")
        met = {None: "", True: "yes", False: "NO"}[f.met()]
        peer = ""
        ratio = ""
        if f.peer_name:
            peer = f.text(f.peer_runs) + (" " + f.unit if f.peer_runs and f.unit else "")
            notes.append("%s: peer is %s." % (f.title.split(":")[0], f.peer_name))
            if f.ratios:
                fmt = "%.2f"
                ratio = "%s [%s–%s]" % (fmt % median(f.ratios), fmt % min(f.ratios), fmt % max(f.ratios))
        value = f.text(f.runs) + (" " + f.unit if f.unit and f.runs else "")
        if f.note:
            notes.append("%s: %s." % (f.title, f.note))
        rows.append([f.title, value, target, met, peer, ratio])
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    lines = ["| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |",
             "|" + "|".join("-" * (w + 2) for w in widths) + "|"]
    for r in rows:
        lines.append("| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |")
    lines.append("")
    lines.extend("- " + n for n in notes)
    lines.append("")
    lines.append("%d alternating rounds, %d whole-program runs of %g s; load average %.1f %.1f %.1f; %.0f s in all."
                 % (args.rounds, args.runs, args.seconds, *os.getloadavg(), elapsed))
    if not use_peers:
        lines.append("Peers not measured: %s." % why_not)
    return "\n".join(lines)


if __name__ == "__main__":
    main()
