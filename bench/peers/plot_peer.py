#!/usr/bin/python3
"""The plotting peer: pyqtgraph (Debian python3-pyqtgraph on PyQt6) drawing
the same 2048-point spectrum in a plot of the same size as Vexlar's chart,
offscreen, set up alike: white paper, a one-pixel red line without
antialiasing, fixed ranges (x over the spectrum, intensity 0 to 4100), axis
titles.

    plot_peer.py --spectrum FILE --startup
        Starts, draws the spectrum once and prints, as JSON, the monotonic
        time at which the first frame was drawn (CLOCK_MONOTONIC, the clock of
        the program start the caller recorded).

    plot_peer.py --spectrum FILE --serve
        Reads commands from standard input, one a line, and answers each with
        one JSON line:
            frames N    N new spectra, each set and drawn: mean ms per frame
            quit
"""

import argparse
import json
import os
import sys
import time

START_NS = time.monotonic_ns()

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
os.environ["PYQTGRAPH_QT_LIB"] = "PyQt6"

import numpy as np  # noqa: E402
import pyqtgraph as pg  # noqa: E402
from pyqtgraph.Qt import QtCore, QtWidgets  # noqa: E402

WIDTH, HEIGHT = 1000, 600
FULL_SCALE = 4100.0
VARIANTS = 16  # distinct spectra cycled through, as scans differ in their noise


class PaintCounter(QtCore.QObject):
    """Counts the paint events of the plot's viewport."""

    def __init__(self):
        super().__init__()
        self.paints = 0

    def eventFilter(self, watched, event):
        if event.type() == QtCore.QEvent.Type.Paint:
            self.paints += 1
        return False


class Plot:
    def __init__(self, x, y):
        self.app = QtWidgets.QApplication.instance() or QtWidgets.QApplication(sys.argv[:1])
        pg.setConfigOptions(antialias=False, background="w", foreground="k")
        self.widget = pg.PlotWidget()
        self.widget.resize(WIDTH, HEIGHT)
        item = self.widget.getPlotItem()
        item.setLabel("bottom", "Wavelength (nm)")
        item.setLabel("left", "Intensity")
        item.disableAutoRange()
        item.setXRange(float(x[0]), float(x[-1]), padding=0)
        item.setYRange(0.0, FULL_SCALE, padding=0)
        self.curve = item.plot(x, y, pen=pg.mkPen(color=(255, 0, 0), width=1))
        self.counter = PaintCounter()
        self.widget.viewport().installEventFilter(self.counter)
        self.widget.show()
        self.x = x

    def draw(self, y=None, timeout=5.0):
        """Sets new intensities (when given) and returns once they are drawn."""
        before = self.counter.paints
        if y is not None:
            self.curve.setData(self.x, y)
        deadline = time.monotonic() + timeout
        while self.counter.paints == before:
            self.app.processEvents()
            if time.monotonic() > deadline:
                raise RuntimeError("pyqtgraph drew nothing")


def load_spectrum(path):
    data = np.loadtxt(path, delimiter="\t")
    return data[:, 0].copy(), data[:, 1].copy()


def variants(y):
    rng = np.random.default_rng(1)
    return [y + rng.uniform(-3.0, 3.0, size=y.shape) for _ in range(VARIANTS)]


def serve(plot, y):
    spectra = variants(y)
    plot.draw(spectra[0])
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        if words[0] == "frames":
            count = int(words[1])
            plot.draw(spectra[1])  # settle
            start = time.perf_counter()
            for k in range(count):
                plot.draw(spectra[k % VARIANTS])
            elapsed = time.perf_counter() - start
            answer = {"frames": count, "ms_per_frame": 1000.0 * elapsed / count}
        else:
            answer = {"error": "unknown command %r" % words[0]}
        print(json.dumps(answer), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--spectrum", required=True)
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--startup", action="store_true")
    mode.add_argument("--serve", action="store_true")
    args = parser.parse_args()
    x, y = load_spectrum(args.spectrum)
    plot = Plot(x, y)
    if args.startup:
        plot.draw()
        print(json.dumps({"first_frame_ns": time.monotonic_ns(), "interpreter_start_ns": START_NS,
                          "pyqtgraph": pg.__version__, "qt": QtCore.qVersion(), "binding": pg.Qt.QT_LIB}),
              flush=True)
        return
    serve(plot, y)


if __name__ == "__main__":
    main()
