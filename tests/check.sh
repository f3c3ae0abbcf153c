# Shared by the shell tests: `check` counts failures, `finish` reports them and sets the exit code;
# `run`, `said` and `patch` drive the command-line tool named by $cli, with output in $work.
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

# Runs the tool, keeping its exit code, stdout and stderr (at most $run_timeout seconds when set).
run() {
  timeout "${run_timeout:-0}" "$cli" "$@" >"$work/stdout" 2>"$work/stderr" </dev/null
  code=$?
}

# One line on stderr that names the tool, the exit code, and (when given) text in that line.
said() {  # said CODE [TEXT]
  [ "$code" -eq "$1" ] && [ "$(wc -l <"$work/stderr")" -eq 1 ] &&
    grep -q '^halcyone-cli: ' "$work/stderr" && { [ $# -lt 2 ] || grep -qF -- "$2" "$work/stderr"; } ||
    { echo "exit $code: $(cat "$work/stderr")"; false; }
}

# A copy of a set-up with bytes changed: patch SETUP OUT OFFSET=VALUE...
patch() {
  python3 - "$@" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
for change in sys.argv[3:]:
    offset, value = change.split('=')
    data[int(offset)] = int(value)
open(sys.argv[2], 'wb').write(data)
PY
}
