#!/usr/bin/env bash
# halcyone-cli and JACK, end to end: `ports` lists the JACK MIDI port only while a server runs,
# and `play --port N --connect PORT` delivers every note-on of the composed piece to another
# JACK client (jack_midi_dump), then silences its channels. The JACK server is the test's own
# (jackd's dummy backend, no sound card) under a name of its own; it is stopped at the end.
# Exits with 77 (skipped) only where jackd is not installed.
set -u
cli=$1
examples=$2
for program in jackd jack_wait jack_lsp jack_midi_dump midicsv; do
  command -v "$program" >/dev/null ||
    { echo "skipped: $program is not installed (Debian packages jackd2, midicsv)"; exit 77; }
done
work=$(mktemp -d)
export JACK_DEFAULT_SERVER=halcyone-cli-test-$$
pids=()
stop_all() {  # the clients, then the server, and the semaphores a server leaves in /dev/shm
  local k
  for ((k = ${#pids[@]} - 1; k >= 0; k--)); do kill "${pids[k]}" 2>/dev/null; wait "${pids[k]}" 2>/dev/null; done
  pids=()
  rm -f /dev/shm/jack_sem."$(id -u)_${JACK_DEFAULT_SERVER}"_*
}
trap 'stop_all; rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
run_timeout=60
jack_port_listed() { "$cli" ports | grep -q '^ 1  JACK MIDI (halcyone:midi_out)$'; }

# The first example, 3 bars at 240 bpm: three seconds of music.
patch "$(ls "$examples"/*.mpr | head -n 1)" "$work/short.mpr" 1=0 2=3 3=0 4=240
"$cli" compose "$work/short.mpr" -o "$work/short.mid" >/dev/null

check "without a JACK server ports lists no JACK port and says nothing about it" \
  eval 'run ports && [ "$code" -eq 0 ] && ! grep -q JACK "$work/stdout" && [ ! -s "$work/stderr" ]'

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
if ! timeout 15 jack_wait -w -t 10 >/dev/null 2>&1; then
  echo "FAILED: jackd -n $JACK_DEFAULT_SERVER did not start:"
  cat "$work/jackd.log"
  exit 1
fi

check "with a JACK server ports lists the JACK MIDI port second" jack_port_listed
check "--connect with a port that is not the JACK MIDI port is refused" \
  eval 'run play "$work/short.mpr" --port 0 --connect x:y && said 1 "--connect needs the JACK MIDI port"'
check "--connect without --port is a usage error" \
  eval 'run play "$work/short.mpr" --connect x:y && [ "$code" -eq 2 ] && grep -q -- "--port" "$work/stderr"'
check "--connect to a port that is not there is named" \
  eval 'run play "$work/short.mpr" --port 1 --connect nowhere:in &&
        said 1 "can'"'"'t connect the JACK MIDI port to nowhere:in"'

stdbuf -oL jack_midi_dump >"$work/dump" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q '^midi-monitor:input$' && break; sleep 0.1; done
run play "$work/short.mpr" --port 1 --connect midi-monitor:input
check "play on the JACK MIDI port into jack_midi_dump ends by itself and says where it played" \
  eval '[ "$code" -eq 0 ] && grep -q "on port 1 into midi-monitor:input" "$work/stdout"'
sleep 0.5
# Note-ons that sound, as "channel note velocity", in the file (midicsv) and as received.
midicsv "$work/short.mid" | awk -F', ' '$3 == "Note_on_c" && $6 > 0 {print $4, $5, $6}' >"$work/sent"
sed -n 's/.*note on *(channel *\([0-9]*\)): pitch *\([0-9]*\), velocity *\([0-9]*\).*/\1 \2 \3/p' \
  "$work/dump" | awk '$3 > 0' >"$work/received"
check "every note-on of the composed piece arrives, in order, with its channel, note and velocity" \
  eval '[ "$(wc -l <"$work/sent")" -gt 20 ] && cmp -s "$work/sent" "$work/received" ||
        { diff "$work/sent" "$work/received" | head -5; false; }'
channels=$(midicsv "$work/short.mid" | awk -F', ' '$3 ~ /_c$/ {print $4}' | sort -u | wc -l)
check "at the end All Notes Off and All Sound Off go to each of the piece's $channels channels" \
  eval '[ "$(grep -c "controller 123, value   0" "$work/dump")" -eq "$channels" ] &&
        [ "$(grep -c "controller 120, value   0" "$work/dump")" -eq "$channels" ]'
finish
