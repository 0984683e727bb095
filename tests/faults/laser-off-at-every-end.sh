#!/usr/bin/env bash
# However Vexlar ends, the laser is off and the operator's settings are
# saved: the real program on its own Xvfb, the laser switched on from the
# control bar, then ended by SIGTERM, SIGINT, SIGHUP, two SIGTERMs at once,
# and by its X server going away. The simulated spectrometer writes every
# switch of its strobe line to a log (VEXLAR_SIM_STROBE_LOG), so the test
# sees the laser from outside. A FIFO where either settings file should be
# neither holds the start up nor is written through.
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

pid=
# Starts Vexlar with a fresh settings folder; the strobe log is $log.
start_vexlar() {
  local name=$1
  config=$work/$name/config
  log=$work/$name/strobe.log
  mkdir -p "$config/vexlar"
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

start_x signals
for sig in TERM INT HUP; do
  start_vexlar $sig || continue
  laser_on $sig || { kill -9 $pid; continue; }
  kill -s $sig $pid
  case $sig in TERM) code=143 ;; INT) code=130 ;; HUP) code=129 ;; esac
  check_end "SIG$sig" $code
done

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
stop_x

# The X server goes away under the running program.
start_x lost
if start_vexlar lost-display; then
  laser_on lost-display && { stop_x; check_end "lost display" ""; }
fi
stop_x

echo "$passed passed, $failures failed"
[ $failures -eq 0 ]
