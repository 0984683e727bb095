#!/usr/bin/env bash
# A timed series killed outright (SIGKILL, as a power cut or a crash would
# end it): the real program under Xvfb, the series started from its menu one
# scan a second, killed after the third scan is saved. The time-stamp file,
# which gets each saved scan's row appended and synced, must then list the
# scans saved so far, each listed file complete, and at most the scan saved
# in the last instant not yet listed.
#
#   series-kill.sh <vexlar executable> <work folder>
# Run it inside an X server (xvfb-run). Exits 77 (skipped) without xdotool.

set -u
program=$1
work=$2
skip=77

command -v xdotool >/dev/null || { echo "xdotool is not installed: skipped"; exit $skip; }
[ -n "${DISPLAY:-}" ] || { echo "no X server: skipped"; exit $skip; }

rm -rf "$work"
mkdir -p "$work/config/vexlar" "$work/data"
data=$work/data
export XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=xcb
# Short scans: the series waits only on its own one-second steps.
cat > "$work/config/vexlar/vexlar.ini" <<INI
[Acquisition]
IntegrationTime=20
[TimeAcquisition]
StoreDark=0
ToggleLaser=0
LaserWarmupTime=1
DelayBetweenAcquisitions=1
NumberOfAcquisitions=50
BaseFilename=$data/series
DelayBeforeFirstAcquisition=0
FileFormat=0
INI

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
. "$(dirname "$0")/../support/wait-for.sh"

"$program" > "$work/vexlar.log" 2>&1 &
pid=$!
if ! wait_for 'xdotool search --onlyvisible --name "Vexlar" >/dev/null 2>&1' 30; then
  echo "the main window did not appear"; cat "$work/vexlar.log"; kill -9 $pid; exit 1
fi
sleep 0.5
window=$(xdotool search --onlyvisible --name "Vexlar" | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --delay 100 alt+t s

wait_for '[ -e "$data/series.00003.ram" ]' 30 || fail "the third scan of the series was not saved"
kill -9 $pid
wait $pid 2>/dev/null

stamps=$data/series.TimeStamps
[ -s "$stamps" ] || { fail "no time-stamp file after the kill"; echo "$failures failed"; exit 1; }
head -n 1 "$stamps" | tr -d '\r' | grep -qx $'Filename\tTime (sec)' || fail "the time-stamp file has no header"

listed=0
while IFS=$'\t' read -r name seconds; do
  seconds=${seconds%$'\r'}
  [ "$name" = "Filename" ] && continue
  listed=$((listed + 1))
  if [ ! -f "$name" ]; then
    fail "$name is listed but was not saved"
    continue
  fi
  points=$(grep -vc '^#' "$name")
  [ "$points" -eq 2048 ] || fail "$name holds $points points, not 2048"
  grep -qx '# points: 2048' "$name" || fail "$name has no point count"
  [[ "$seconds" =~ ^[0-9]+\.[0-9]{2}$ ]] || fail "$name has the time \"$seconds\""
done < "$stamps"

saved=$(ls "$data" | grep -c '^series\.[0-9]*\.ram$')
# The kill may fall between the third scan's file and its row.
[ "$listed" -ge 2 ] || fail "only $listed scans listed, $saved saved"
[ $((saved - listed)) -le 1 ] || fail "$saved scans saved but only $listed listed"
[ "$saved" -ge "$listed" ] || fail "$listed listed but $saved saved"
leftovers=$(ls -A "$data" | grep -c '\.tmp-' || true)
echo "saved $saved scans, $listed listed, $leftovers temporary files left by the kill"

if [ $failures -eq 0 ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
echo "0 passed, 1 failed"
exit 1
