#!/usr/bin/python3
# The real program as a Tango device, without a window, on the simulated
# spectrometer, driven by a PyTango client as a control system would drive
# it: a whole measurement (the laser refused without permission, a dark
# stored and subtracted, 20 scans summed, the spectrum read and compared
# value for value with the CSV the device wrote), bad input refused with the
# window's words, every scan shown reaching a subscriber once and in order,
# and a client that falls silent leaving the laser off within the watchdog.
#
#   tango-device.py <vexlar executable> <work folder>
# Exits 77 (skipped) without PyTango.
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

try:
    import tango
except ImportError:
    print("PyTango is not installed: skipped")
    sys.exit(77)

program, work = sys.argv[1], sys.argv[2]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []


def check(condition, what):
    print(("ok: " if condition else "FAIL: ") + what)
    if not condition:
        failures.append(what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start(name, settings="", *options):
    folder = os.path.join(work, name)
    os.makedirs(os.path.join(folder, "config", "vexlar"))
    if settings:
        with open(os.path.join(folder, "config", "vexlar", "vexlar.ini"), "w") as f:
            f.write(settings)
    port = free_port()
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"),
               VEXLAR_SIM_STROBE_LOG=os.path.join(folder, "strobe.log"))
    env.pop("DISPLAY", None)
    log = open(os.path.join(folder, "vexlar.log"), "w")
    process = subprocess.Popen([program, "--no-window", "--tango-port", str(port), *options], env=env,
                               stdout=log, stderr=subprocess.STDOUT, cwd=folder)
    global address
    address = "tango://127.0.0.1:%d/vexlar/raman/1#dbase=no" % port
    device = tango.DeviceProxy(address)
    for _ in range(100):
        try:
            device.ping()
            return process, device, folder
        except tango.DevFailed:
            time.sleep(0.1)
    process.kill()
    sys.exit("the device did not start: " + open(os.path.join(folder, "vexlar.log")).read())


def last_switch(folder):
    with open(os.path.join(folder, "strobe.log")) as f:
        lines = f.read().split()
    return lines[-1] if lines else ""


def refusal(action):
    try:
        action()
    except tango.DevFailed as failed:
        return failed.args[0].desc
    return None


def end(process):
    process.send_signal(signal.SIGTERM)
    return process.wait(timeout=30)


# --- Arguments the program cannot take: status 2 and the usage, nothing started ---------------
for arguments in (["--tango-port", "0"], ["--no-window"], ["--tango-port", "1", "--tango-device", "a/b/c"],
                  ["--tango-device", "raman"]):
    run = subprocess.run([program, *arguments], capture_output=True, text=True, timeout=30)
    check(run.returncode == 2 and "Usage: vexlar" in run.stderr, "%s: status %d, %s" % (arguments, run.returncode,
                                                                                       run.stderr.strip()))

# --- A measurement ------------------------------------------------------------------------
process, device, folder = start("measurement", "[Acquisition]\nIntegrationTime=20\n")
device.IntegrationTime = 10
check(device.IntegrationTime == 10, "the integration time written is the one in force")
for value, words in ((0, "no less than 1 msec"), (70000, "can be at most 65535 msec: \"70000\" was not applied.")):
    reason = refusal(lambda: setattr(device, "IntegrationTime", value)) or ""
    check(words in reason, "integration time %d refused: %s" % (value, reason))
check(device.IntegrationTime == 10, "a refused value changes nothing")
for typed, words in (("abc", "The laser wavelength must be a positive number of nanometres."),
                     ("632,5", "The laser wavelength must be written with a decimal point, as in 632.8: "
                               "\"632,5\" was not applied.")):
    reason = refusal(lambda: setattr(device, "LaserWavelength", typed)) or ""
    check(reason == words, "laser wavelength %s refused as the control bar refuses it" % typed)
device.LaserWavelength = "785"
check(device.LaserWavelength == "785", "a laser wavelength is taken as the control bar's field takes it")
reason = refusal(lambda: setattr(device, "LaserOn", True)) or ""
check("Remote laser control is not allowed" in reason, "the laser refused without the operator's permission")
check(last_switch(folder) == "off", "the laser stays off")
reason = refusal(lambda: device.StartSeries('{"toggleLaser": true, "acquisitions": 1}')) or ""
check("remote laser control is not allowed" in reason, "nor may a series switch it on: " + reason)
reason = refusal(lambda: device.SaveGraph(folder)) or ""
check(reason.startswith('Cannot save the graph to "%s":' % folder), "a folder is no file: " + reason)
fifo = os.path.join(folder, "pipe.csv")
os.mkfifo(fifo)
reason = refusal(lambda: device.ExportAs(fifo)) or ""
check(reason.startswith('Cannot export the spectrum to "%s":' % fifo), "a FIFO nobody reads is refused: " + reason)

# Every scan shown reaches a subscriber once, in order.
counts = []
subscription = device.subscribe_event("ScanCount", tango.EventType.CHANGE_EVENT,
                                      lambda event: counts.append(None if event.err else event.attr_value.value))
deadline = time.monotonic() + 30
while len(counts) < 30 and time.monotonic() < deadline:
    time.sleep(0.05)
device.unsubscribe_event(subscription)
# The first calls overlap the subscription: the value read as it is made,
# and an event of a scan shown meanwhile. From then on, each scan once.
pushed = [c for c in counts[2:] if c is not None]
check(len(pushed) > 20 and all(b == a + 1 for a, b in zip(pushed, pushed[1:])),
      "%d change events of ScanCount, each count once and in order: %s" % (len(pushed), pushed[:40]))

device.StoreDark()
check(device.DarkStored, "the dark is stored")
device.SubtractDark = True
device.Acquire(20)
check(device.Mode == "stopped", "acquisition stops once the 20 scans are in the sum")
spectrum = list(device.Spectrum)
csv = os.path.join(folder, "sum.csv")
device.ExportAs(csv)
rows = [line.split(",") for line in open(csv).read().splitlines() if line and not line.startswith("#")][1:]
exported = [float(row[-1]) for row in rows]
check(exported == spectrum, "Spectrum equals the CSV that ExportAs wrote, value for value")
check("# Additive scans: 20" in open(csv).read(), "the CSV says the 20 scans were added")
# A sum ended before its scans are in (another client's Stop) fails the
# Acquire at once, with the reason.
threading.Timer(0.3, lambda: tango.DeviceProxy(address).Stop()).start()
reason = refusal(lambda: device.Acquire(100000)) or ""
check(reason == "The sum was ended before its 100000 scans were in.", "an Acquire cut short says so: " + reason)
status = end(process)
check(status == 128 + signal.SIGTERM, "SIGTERM ends the device's program with 143, not %d" % status)
check(last_switch(folder) == "off", "the laser is off at the end")

# --- The laser's watchdog -------------------------------------------------------------------
process, device, folder = start("watchdog", "[Remote]\nRemoteWatchdogSeconds=1\n", "--allow-remote-laser")
device.set_timeout_millis(30000)
device.IntegrationTime = 100
device.StoreDark()
device.SubtractDark = True
device.LaserOn = True
check(last_switch(folder) == "on", "with permission a client switches the laser on")
# A client waiting for its Acquire is there: 20 scans of 100 ms outlast the watchdog.
device.Acquire(20)
check(last_switch(folder) == "on", "the laser stays on through an Acquire longer than the watchdog's time")
deadline = time.monotonic() + 3
while last_switch(folder) != "off" and time.monotonic() < deadline:
    time.sleep(0.05)
check(last_switch(folder) == "off", "a client that falls silent leaves the laser off within the watchdog's time")

# A series a client started that switches the laser is the client's: Stop
# ends it, and so does the client's silence.
plan = json.dumps({"acquisitions": 3, "delayBetween": 2, "laserWarmup": 1, "toggleLaser": True,
                   "baseFilename": os.path.join(folder, "run"), "format": "ram"})
device.StartSeries(plan)
device.Stop()
check(not device.SeriesRunning and last_switch(folder) == "off", "Stop ends the client's series, laser off")
switches = len(open(os.path.join(folder, "strobe.log")).read().split())
device.StartSeries(plan)
deadline = time.monotonic() + 6
while time.monotonic() < deadline and not (
        "on" in open(os.path.join(folder, "strobe.log")).read().split()[switches:] and last_switch(folder) == "off"):
    time.sleep(0.05)
status_text = device.read_attribute("Status").value
check(not device.SeriesRunning and "no client called" in status_text,
      "a silent client's series is ended by the watchdog: " + status_text)
check(last_switch(folder) == "off", "and its laser is off")
end(process)

print("%d failed" % len(failures), flush=True)
# PyTango 9.3 now and then crashes while tearing down its event threads at
# the interpreter's exit; every check is done, so the process ends here.
sys.stderr.flush()
os._exit(1 if failures else 0)
