#!/usr/bin/env bash
# Fails when any of the programs given loads a Qt library: the tests of pure
# logic must build and run without Qt. With --core-only first, Qt Core is
# allowed and any other Qt library (widgets, drawing) fails: the engine
# that drives the spectrometer needs no window.
#   links-no-qt.sh [--core-only] program...
set -uo pipefail
forbidden='libQt'
if [ "${1:-}" = --core-only ]; then
  forbidden='libQt[0-9]*[A-Za-z]*'
  shift
fi
failed=0
for program in "$@"; do
  if ! libraries=$(ldd "$program"); then
    echo "cannot list the libraries of $program"
    failed=1
  elif found=$(grep -o "$forbidden" <<<"$libraries" | grep -v '^libQt[0-9]*Core$'); [ -n "$found" ]; then
    echo "$program loads $(tr '\n' ' ' <<<"$found")"
    failed=1
  fi
done
[ "$#" -gt 0 ] || { echo "no program given"; exit 1; }
exit "$failed"
