#!/usr/bin/env bash
# halcyone-cli end to end: every command on the bundled examples, and clean failures.
set -u
cli=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# A failure is one line on stderr, a non-zero exit, and no output file.
fails_cleanly() {  # fails_cleanly OUTPUT ARGS...
  local out=$1
  shift
  "$cli" "$@" >"$work/stdout" 2>"$work/stderr" && return 1
  [ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q '^halcyone-cli: ' "$work/stderr" &&
    [ ! -e "$out" ] && ! ls "$work" | grep -q -E '\.(part|tmp)'
}

for setup in "$examples"/*.mpr; do
  name=$(basename "$setup" .mpr)
  check "$name composes" "$cli" compose "$setup" -o "$work/$name.mid"
  # midicsv, not our own code, reads the file back: notes on several channels.
  check "$name reads back with several voices" \
    bash -c "midicsv '$work/$name.mid' | awk -F', ' '\$3==\"Note_on_c\" && \$6>0 {c[\$4]=1} END {exit length(c) < 3}'"
  check "$name preview is a 200x200 PNG" bash -c "\"$cli\" preview '$setup' -o '$work/$name.png' >/dev/null &&
    python3 -c \"import struct,sys; d=open(sys.argv[1],'rb').read(24); sys.exit(not (d[:8]==b'\\x89PNG\\r\\n\\x1a\\n' and struct.unpack('>II', d[16:24])==(200, 200)))\" '$work/$name.png'"
  check "$name palette has 20 colours" bash -c "[ \$(\"$cli\" palette '$setup' --channel 2 | grep -c '#') -eq 20 ]"
done

first=$(ls "$examples"/*.mpr | head -n 1)
check "render writes non-silent audio" bash -c "\"$cli\" render '$first' -o '$work/a.wav' >/dev/null &&
  sox '$work/a.wav' -n stat 2>&1 | awk '/RMS +amplitude/ {exit !(\$3 > 0.001)}'"
check "ports lists the built-in synthesizer as default" bash -c "\"$cli\" ports | grep -q '(default)'"
check "--help and --version" bash -c "\"$cli\" --help | grep -q compose && \"$cli\" --version | grep -q 'halcyone-cli'"

head -c 100 "$first" >"$work/short.mpr"
check "a short set-up is refused" fails_cleanly "$work/x.mid" compose "$work/short.mpr" -o "$work/x.mid"
check "a missing set-up is refused" fails_cleanly "$work/x.mid" compose "$work/none.mpr" -o "$work/x.mid"
check "an unwritable output is refused" fails_cleanly "$work/no/dir/x.mid" compose "$first" -o "$work/no/dir/x.mid"
check "an unwritable preview is refused" fails_cleanly "$work/no/x.png" preview "$first" -o "$work/no/x.png"
check "a bad channel number is refused" bash -c "! \"$cli\" palette '$first' --channel 6 2>/dev/null"

echo "$failures failed"
[ "$failures" -eq 0 ]
