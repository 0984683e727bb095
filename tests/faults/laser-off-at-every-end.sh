#!/usr/bin/env bash
# However Vexlar ends, the laser is off and the operator's settings are
# saved: the real program on its own Xvfb, the laser switched on from the
# control bar, then ended by SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1,
# SIGALRM (the laser off within 100 ms of the signal), stopped by SIGTSTP
# (the laser off before it stops), two SIGTERMs at once,
# and by its X server going away. The simulated spectrometer writes every
# switch of its strobe line to a log (VEXLAR_SIM_STROBE_LOG), so the test
# sees the laser from outside. A FIFO where either settings file should be
# neither holds the start up nor is written through; one that a process
# holds open but never reads, chosen as the file of Save Graph, Export As or
# a timed series, holds neither the laser nor the end up.
#
#   laser-off-at-every-end.sh <vexlar executable> <work folder>
# Exits 77 (skipped) without Xvfb or xdotool.

set -u
program=$1
work=$2
skip=77
command -v Xvfb >/dev/null || { echo "Xvfb is not installed: skipped"; exit $skip; }
command -v xdotool >/dev/null || { echo "xdotool is not installed: skipped"; exit $skip; }

rm -rf "$work"
mkdir -p "$work"
export QT_QPA_PLATFORM=xcb
export VEXLAR_SIM_SPEED=10
unset WAYLAND_DISPLAY

failures=0
passed=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
. "$(dirname "$0")/../support/wait-for.sh"

xvfb_pid=
# Starts an X server of its own; sets DISPLAY and xvfb_pid. A server that
# names its display and then takes no client (the display number of one
# that has just ended, still held by its lock) is replaced, up to three times.
# -noreset: by default the server starts over when its last client leaves
# (here the probe below), and a program connecting meanwhile is refused.
start_x() {
  local number_file=$work/display-$1 attempt
  for attempt in 1 2 3; do
    : > "$number_file"
    Xvfb -displayfd 3 -screen 0 1100x720x24 -nolisten tcp -noreset 3> "$number_file" 2> "$work/xvfb-$1.log" &
    xvfb_pid=$!
    wait_for '[ -s "$number_file" ]' 10 || { echo "Xvfb did not start"; cat "$work/xvfb-$1.log"; exit 1; }
    export DISPLAY=:$(head -n 1 "$number_file")
    wait_for 'xdotool getdisplaygeometry >/dev/null 2>&1' 10 && return 0
    echo "Xvfb on $DISPLAY takes no client (attempt $attempt)"
    stop_x
  done
  echo "no X server of its own could be started"; cat "$work/xvfb-$1.log"; exit 1
}
stop_x() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

probe=$(dirname "$0")/signal-probe.py
# Milliseconds the laser may take to go off after a signal, and the program
# to end.
laser_off_ms=100
gone_ms=6000

pid=
# Starts Vexlar with a fresh settings folder, holding the settings $2 when
# given; the strobe log is $log.
start_vexlar() {
  local name=$1
  config=$work/$name/config
  log=$work/$name/strobe.log
  mkdir -p "$config/vexlar"
  [ -n "${2:-}" ] && printf '%s\n' "$2" > "$config/vexlar/vexlar.ini"
  VEXLAR_SIM_STROBE_LOG=$log XDG_CONFIG_HOME=$config "$program" > "$work/$name/vexlar.log" 2>&1 &
  pid=$!
  if ! wait_for 'xdotool search --onlyvisible --name "Vexlar" >/dev/null 2>&1' 30; then
    fail "$name: the main window did not appear"; cat "$work/$name/vexlar.log"; kill -9 $pid; return 1
  fi
  sleep 1.5  # the control bar laid out, also on a loaded machine
}
# The operator clicks "Laser On" on the control bar.
laser_on() {
  xdotool mousemove 323 42 click 1
  wait_for '[ "$(tail -n 1 "$log" 2>/dev/null)" = on ]' 20 || { fail "$1: the laser did not come on"; return 1; }
}
# Vexlar has ended within 30 s (a loaded machine), with the laser off and the settings saved.
check_end() {
  local name=$1 expected_status=$2
  if ! wait_for '! kill -0 $pid 2>/dev/null' 30; then
    fail "$name: Vexlar did not end"; kill -9 $pid; wait $pid 2>/dev/null; return
  fi
  wait $pid
  local status=$?
  local ok=1
  [ "$(tail -n 1 "$log")" = off ] || { fail "$name: the strobe's last switch was not off: $(tr '\n' ' ' < "$log")"; ok=0; }
  if [ -n "$expected_status" ] && [ $status -ne "$expected_status" ]; then
    fail "$name: exit status $status, not $expected_status"; ok=0
  fi
  local ini=$config/vexlar/vexlar.ini
  if ! grep -q '^\[DialogBar\]' "$ini" 2>/dev/null || ! grep -q '^\[Acquisition\]' "$ini"; then
    fail "$name: the settings were not saved"; ok=0
  fi
  [ $ok -eq 1 ] && { echo "ok: $name (exit status $status)"; passed=$((passed + 1)); }
}

# Sends signal $2 to Vexlar and checks from outside that the laser went off
# within laser_off_ms of it; sets ended_ms to when the process was gone.
signal_laser_off() {
  local name=$1 off
  read -r off ended_ms < <("$probe" signal $pid "$log" $2)
  if [ "$off" -lt 0 ] || [ "$off" -gt $laser_off_ms ]; then
    fail "$name: the laser went off $off ms after the signal, not within $laser_off_ms ms"; return 1
  fi
}

start_x signals
for sig in TERM INT HUP QUIT USR1 ALRM; do
  start_vexlar $sig || continue
  laser_on $sig || { kill -9 $pid; continue; }
  signal_laser_off "SIG$sig" $sig
  check_end "SIG$sig" $((128 + $(kill -l $sig)))
done

# Stopped from its terminal (Ctrl+Z, SIGTSTP) with the laser on: the laser
# goes off before the process stops, and stays off when it goes on.
start_vexlar stop && laser_on stop && {
  kill -s TSTP $pid
  if wait_for '[ "$(tail -n 1 "$log")" = off ] && [ "$(ps -o stat= -p $pid | cut -c1)" = T ]' 5; then
    kill -s CONT $pid
    sleep 1
    kill -s TERM $pid
    check_end "SIGTSTP, then SIGCONT and SIGTERM" 143
  else
    fail "SIGTSTP: strobe $(tr '\n' ' ' < "$log"), state $(ps -o stat= -p $pid)"; kill -9 $pid
  fi
}

# A modal dialog open (the About box) when the signal comes: its own event
# loop ends too.
start_vexlar modal && laser_on modal && {
  xdotool key --delay 100 alt+h a
  if wait_for 'xdotool search --onlyvisible --name "About Vexlar" >/dev/null 2>&1' 10; then
    kill -s TERM $pid
    check_end "SIGTERM with a modal dialog open" 143
  else
    fail "the About box did not open"; kill -9 $pid
  fi
}

# Two signals at once: the second ends the program at once, and never
# before the laser is off.
start_vexlar twice && laser_on twice && {
  kill -s TERM $pid; kill -s TERM $pid
  if wait_for '! kill -0 $pid 2>/dev/null' 30; then
    wait $pid
    status=$?
    if [ "$(tail -n 1 "$log")" = off ] && [ $status -eq 143 ]; then
      echo "ok: two SIGTERMs (exit status $status)"; passed=$((passed + 1))
    else
      fail "two SIGTERMs: exit status $status, strobe $(tr '\n' ' ' < "$log")"
    fi
  else
    fail "two SIGTERMs: Vexlar did not end"; kill -9 $pid
  fi
}

# FIFOs where both settings files should be: the program starts at once
# on its defaults, and ends without writing through them.
mkdir -p "$work/fifo/config/vexlar"
mkfifo "$work/fifo/config/vexlar/vexlar.ini" "$work/fifo/config/vexlar/qdvdrv.ini"
if start_vexlar fifo; then
  laser_on fifo && {
    kill -s TERM $pid
    if wait_for '! kill -0 $pid 2>/dev/null' 30; then
      wait $pid
      if [ "$(tail -n 1 "$log")" = off ] && [ -p "$work/fifo/config/vexlar/vexlar.ini" ] \
         && [ -p "$work/fifo/config/vexlar/qdvdrv.ini" ] && grep -q "is not a file" "$work/fifo/vexlar.log"; then
        echo "ok: FIFOs for the settings files"; passed=$((passed + 1))
      else
        fail "FIFOs for the settings files: $(cat "$work/fifo/vexlar.log")"
      fi
    else
      fail "FIFOs: Vexlar did not end"; kill -9 $pid
    fi
  }
fi

# A write that waits for a reader that never comes: a FIFO that a process
# holds open and full, chosen as the file the operator saves to. SIGTERM
# while the write waits: the laser off within laser_off_ms, the program gone
# within gone_ms.
# fifo_case <name> <target> <settings> <the operator's steps...>
fifo_case() {
  local name=$1 target=$2 settings=$3 holder
  shift 3
  mkdir -p "$(dirname "$target")"
  mkfifo "$target"
  "$probe" hold "$target" &
  holder=$!
  if start_vexlar "$name" "$settings" && laser_on "$name"; then
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "Vexlar" | head -n 1)" 2>/dev/null
    "$@"
    if signal_laser_off "$name" TERM; then
      if [ "$ended_ms" -ge 0 ] && [ "$ended_ms" -le $gone_ms ]; then
        echo "ok: $name (laser off at once, gone after $ended_ms ms)"; passed=$((passed + 1))
      else
        fail "$name: Vexlar was not gone within $gone_ms ms of SIGTERM"
      fi
    fi
    kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
  fi
  kill $holder; wait $holder 2>/dev/null
}
# A file dialog titled $1: the path $2 typed, the replace question answered
# Yes, a moment for the write to begin.
save_into() {
  wait_for "xdotool search --onlyvisible --name \"$1\" >/dev/null 2>&1" 10 || { fail "no \"$1\" dialog"; return; }
  sleep 0.5
  xdotool key ctrl+a; xdotool type --delay 20 "$2"; xdotool key Return
  sleep 0.7
  xdotool key alt+y
  sleep 0.5
}
save_graph() { xdotool key --delay 100 ctrl+s; save_into "Save Raman Spectrum File" "$1"; }
export_as() { xdotool key --delay 100 alt+f; xdotool key --delay 100 a; save_into "Export Spectrum As" "$1"; }
# The series' first file is the FIFO: its first scan is thrown away (laser
# off), then the laser warms up for a second (on), the scan is taken and
# written.
start_series() {
  xdotool key --delay 100 alt+t s
  wait_for '[ $(wc -l < "$log") -ge 4 ] && [ "$(tail -n 1 "$log")" = on ]' 10 || fail "the series' warm-up did not start"
  sleep 1.5
}

fifo_case "Save Graph into a FIFO" "$work/fifo-graph/data/graph.ram" "" save_graph "$work/fifo-graph/data/graph.ram"
fifo_case "Export As into a FIFO" "$work/fifo-export/data/export.csv" "" export_as "$work/fifo-export/data/export.csv"
fifo_case "a toggled series into a FIFO" "$work/fifo-series/data/run.00001.ram" "[TimeAcquisition]
StoreDark=0
ToggleLaser=1
LaserWarmupTime=1
DelayBetweenAcquisitions=2
NumberOfAcquisitions=3
BaseFilename=$work/fifo-series/data/run
DelayBeforeFirstAcquisition=0
FileFormat=0" start_series

# A file larger than the file-size limit (ulimit -f, in KiB): the write
# fails and is reported, the program and its laser carry on as before, and
# nothing half-written is left beside the target.
mkdir -p "$work/limit/data"
program_unlimited=$program
program=$work/limit/limited.sh
printf '#!/usr/bin/env bash\nulimit -f 32\nexec "%s"\n' "$program_unlimited" > "$program"
chmod +x "$program"
if start_vexlar limit && laser_on limit; then
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "Vexlar" | head -n 1)" 2>/dev/null
  xdotool key --delay 100 ctrl+s
  wait_for 'xdotool search --onlyvisible --name "Save Raman Spectrum File" >/dev/null 2>&1' 10
  sleep 0.5
  xdotool key ctrl+a; xdotool type --delay 20 "$work/limit/data/graph.ram"; xdotool key Return
  if wait_for 'xdotool search --onlyvisible --name "Vexlar Error" >/dev/null 2>&1' 10 && kill -0 $pid \
     && [ "$(tail -n 1 "$log")" = on ] && [ -z "$(ls -A "$work/limit/data")" ]; then
    echo "ok: a file beyond the file-size limit is refused"; passed=$((passed + 1))
  else
    fail "a file beyond the file-size limit: $(ls -A "$work/limit/data") $(cat "$work/limit/vexlar.log")"
  fi
  kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
fi
program=$program_unlimited
stop_x

# The X server goes away under the running program.
start_x lost
if start_vexlar lost-display; then
  laser_on lost-display && { stop_x; check_end "lost display" ""; }
fi
stop_x

echo "$passed passed, $failures failed"
[ $failures -eq 0 ]
