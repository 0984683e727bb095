#!/usr/bin/env bash
# Fails when any of the programs given loads a Qt library: the tests of pure
# logic must build and run without Qt.
set -uo pipefail
failed=0
for program in "$@"; do
  if ! libraries=$(ldd "$program"); then
    echo "cannot list the libraries of $program"
    failed=1
  elif grep -q 'libQt' <<<"$libraries"; then
    echo "$program loads Qt:"
    grep 'libQt' <<<"$libraries"
    failed=1
  fi
done
[ "$#" -gt 0 ] || { echo "no program given"; exit 1; }
exit "$failed"
