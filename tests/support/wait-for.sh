# Shell helper of the tests that work the real program from outside; source it.

# Waits up to $2 seconds (in tenths) for the condition $1, a shell command
# evaluated each tenth; fails when it never holds.
wait_for() {
  local tenths=$(($2 * 10))
  while [ $tenths -gt 0 ]; do
    eval "$1" && return 0
    sleep 0.1
    tenths=$((tenths - 1))
  done
  return 1
}
