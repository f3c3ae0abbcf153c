# Shared by the shell tests: `check` counts failures, `finish` reports them and sets the exit code.
failures=0

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

finish() {
  echo "$failures failed"
  [ "$failures" -eq 0 ]
}
