#!/usr/bin/python3
"""The numeric peers: scipy.signal.find_peaks for the peak search and
numpy.savetxt for the export, on the same 2048-point spectrum Vexlar's
benchmarks use (Debian python3-scipy and python3-numpy).

    numeric_peer.py --spectrum FILE --serve

Reads commands from standard input, one a line, and answers each with one
JSON line:

    peaks SECONDS          find_peaks(y, height=100) for about SECONDS:
                           mean microseconds per search, the pixels found
    export SECONDS PATH    numpy.savetxt of x and y with "%.2f", a tab and
                           CR LF to PATH for about SECONDS: mean ms per file
    quit

The peak search uses the same height threshold as Vexlar's default (100
counts); find_peaks has no test of the mean slope to the neighbours, so both
find the same 20 bands only because the spectrum's bands are clean.
"""

import argparse
import json
import sys
import time

import numpy as np
import scipy
from scipy.signal import find_peaks

THRESHOLD = 100.0


def timed(seconds, step):
    """Mean seconds per call of step over about the given time."""
    step()
    calls = 0
    start = time.perf_counter()
    while True:
        step()
        calls += 1
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            return elapsed / calls


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--spectrum", required=True)
    parser.add_argument("--serve", action="store_true", required=True)
    args = parser.parse_args()
    data = np.loadtxt(args.spectrum, delimiter="\t")
    x, y = data[:, 0].copy(), data[:, 1].copy()
    columns = np.column_stack((x, y))
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        if words[0] == "peaks":
            seconds = float(words[1])
            per_call = timed(seconds, lambda: find_peaks(y, height=THRESHOLD))
            found, _ = find_peaks(y, height=THRESHOLD)
            answer = {"us_per_search": per_call * 1e6, "pixels": [int(p) for p in found],
                      "scipy": scipy.__version__}
        elif words[0] == "export":
            seconds, path = float(words[1]), words[2]
            per_call = timed(seconds, lambda: np.savetxt(path, columns, fmt="%.2f", delimiter="\t",
                                                          newline="\r\n"))
            answer = {"ms_per_file": per_call * 1e3, "numpy": np.__version__}
        else:
            answer = {"error": "unknown command %r" % words[0]}
        print(json.dumps(answer), flush=True)


if __name__ == "__main__":
    main()
