#!/usr/bin/env bash
# Vexlar as an operator meets it: the real program under Xvfb, worked through
# its window with the keyboard and the mouse (xdotool), on the simulated
# spectrometer with cyclohexane. Screenshots of the main steps are kept in
# the artefact folder.
#
#   e2e.sh <vexlar executable> <artefact folder>
# Run it inside an X server (xvfb-run).

set -u
program=$1
out=$2
rm -rf "$out"
mkdir -p "$out/config/vexlar" "$out/data"
data=$out/data
export XDG_CONFIG_HOME=$out/config
export VEXLAR_SIM_SAMPLE=cyclohexane

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$1"; then echo "ok: $2"; else fail "$2"; fi; }
shot() { import -window root "$out/$1.png" 2>/dev/null || true; }
# Waits up to $2 seconds for a window whose title matches $1.
wait_window() {
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}
# Waits up to $3 seconds for file $1 to have $2 lines.
wait_lines() {
  local end=$((SECONDS + $3))
  while [ $SECONDS -lt $end ]; do
    [ -e "$1" ] && [ "$(wc -l < "$1")" -ge "$2" ] && return 0
    sleep 0.2
  done
  return 1
}
wait_file() {
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do
    [ -e "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
key() { xdotool key --delay 80 "$@"; sleep 0.4; }
# Gives the main window the keyboard, as a click on its status bar does.
focus_main() { xdotool mousemove 500 699 click 1; sleep 0.3; }
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; sleep 0.5; }
# Types a path into the file dialog that has the focus and accepts it.
choose_file() {
  wait_window "$1" 10 || { fail "no \"$1\" dialog"; return; }
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 20 "$2"
  key Return
}

# The series the operator will start: three spectra a second apart, the
# laser switched around each and a fresh dark before it. Peak settings
# suited to the simulated detector's noise.
cat > "$out/config/vexlar/vexlar.ini" <<INI
[TimeAcquisition]
StoreDark=1
ToggleLaser=1
LaserWarmupTime=1
DelayBetweenAcquisitions=1
NumberOfAcquisitions=3
BaseFilename=$data/series
DelayBeforeFirstAcquisition=0
FileFormat=0
[PeakFind]
Threshold=150
Width=2
Slope=20
INI

"$program" > "$out/vexlar.log" 2>&1 &
pid=$!
wait_window "Untitled - Vexlar" 20 || { fail "the main window did not appear"; kill $pid; exit 1; }
sleep 2
shot 01-live

# Eight scans averaged, a dark with the laser off, laser on, subtract the
# dark, Raman shift.
click 198 42          # the Avg field
xdotool key ctrl+a
xdotool type --delay 20 "8"
key Tab
sleep 2
click 16 190          # Store Dark
click 323 42          # Laser On
sleep 1.5
click 16 213          # Subtract Dark
click 806 42          # the x-axis list
key Down Down Return
sleep 1.5
shot 02-raman

# Mark all peaks, look at the table.
focus_main
key alt+p a
key alt+p t
wait_window "Peak Table" 5 && shot 03-peak-table || fail "no peak table"
key Escape

# An annotation in the plot.
click 600 250 3
key a
wait_window "^Dialog$" 5 || fail "no annotation dialog"
xdotool type --delay 20 "cyclohexane"
key Return
shot 04-annotated

# Save the graph, export the spectrum.
focus_main
key ctrl+s
choose_file "Save Raman Spectrum File" "$data/graph.ram"
wait_file "$data/graph.ram" 5 || fail "graph.ram not written"
focus_main
key alt+f e
choose_file "Export Spectrum" "$data/graph.exp"
wait_file "$data/graph.exp" 5 || fail "graph.exp not written"

# The timed series: Start, then wait for its time-stamp file at the end.
focus_main
key alt+t s
wait_lines "$data/series.TimeStamps" 4 90 || fail "the series did not finish"
sleep 1
shot 05-series-done

# Open the saved graph again.
focus_main
key ctrl+o
choose_file "Open Raman Spectrum File" "$data/graph.ram"
wait_window "graph.ram - Vexlar" 5 || fail "the caption does not name the opened graph"
shot 06-opened
# What came back, saved again under another name: acquisition is stopped
# after Open, so it must be exactly what was saved.
focus_main
key ctrl+s
choose_file "Save Raman Spectrum File" "$data/again.ram"
wait_file "$data/again.ram" 5 || fail "again.ram not written"

# Quit.
focus_main
key alt+f x
status=0
end=$((SECONDS + 20))
while kill -0 $pid 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.2; done
if kill -0 $pid 2>/dev/null; then fail "vexlar did not exit"; kill -9 $pid; else wait $pid; status=$?; fi

echo "--- checks"
check "[ $status -eq 0 ]" "vexlar exited with 0 (it gave $status)"
ram=$data/graph.ram
check "[ \$(grep -vc '^#' $ram) -eq 2048 ]" "the saved graph has 2048 points"
check "grep -q '^Averages: 8' $ram.peak" "the Avg field reached the acquisition"
check "awk -F'\t' '!/^#/ {exit !(\$1 < 0)}' $ram" "the saved graph is on the Raman-shift axis (first x negative)"
check "[ -s $ram.anno ] && head -c 4 $ram.anno | od -An -tu4 | grep -qw 1" "one annotation saved beside it"
check "grep -q cyclohexane $ram.anno" "the annotation's text is saved"
for band in 801 1028 1444 2852; do
  check "awk -F'\t' -v b=$band 'NR > 5 && \$2 > b - 13 && \$2 < b + 13 {found = 1} END {exit !found}' $ram.peak" \
    "a peak within one pixel of the $band cm-1 band in the peak table"
done
check "[ \$(wc -l < $data/graph.exp) -eq 1511 ]" "the export holds the 1511 pixels of positive Raman shift"
check "head -c 200 $data/graph.exp | grep -q \$'\r'" "the export has CR LF line ends"
for k in 00001 00002 00003; do check "[ -s $data/series.$k.ram ]" "series spectrum $k saved"; done
check "[ \$(wc -l < $data/series.TimeStamps) -eq 4 ]" "the time-stamp file has its header and three rows"
check "sed -n 2p $data/series.TimeStamps | grep -q \$'\t0.00\r'" "the first row reads 0.00"
ini=$out/config/vexlar/vexlar.ini
check "grep -q '^ViewRaman=1' $ini" "vexlar.ini keeps the Raman-shift axis"
check "grep -q '^XAxis=Raman Shift (cm-1)' $ini" "vexlar.ini keeps the x-axis text of the control bar"
check "cmp -s <(grep -v '^#' $ram) <(grep -v '^#' $data/again.ram)" "the opened graph shows the saved spectrum on the saved axis"
check "cmp -s $ram.anno $data/again.ram.anno" "the opened graph shows the saved annotation"

if [ $failures -ne 0 ]; then
  echo "$failures checks failed; screenshots and the program's output are in $out"
  exit 1
fi
echo "all checks passed"
