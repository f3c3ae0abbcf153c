#!/usr/bin/env bash
# halcyone-cli end to end: every command on the bundled examples; the set-up never taken for
# the output; standard output; interruption; a broken environment; and failures with their
# messages and exit codes (0 success, 1 failure, 2 usage error). How an output is written
# (links, modes, pipes, devices, a full disk) is the safe writer's, checked in SafeFileTest.
# Last, the playback module: loaded only when needed, sharing the tool's engine, and missing.
set -u
cli=$1
examples=$2
tests=$(dirname "$0")
work=$(mktemp -d)
export TMPDIR=$work/tmp  # the tool's own temporaries, checked for leftovers
mkdir "$TMPDIR"
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

# Nothing of the tool's own is left: no hidden temporary beside outputs, nothing in TMPDIR.
no_leftovers() {  # no_leftovers FOLDER
  ! ls -A "$1" | grep -q '^\..*\.tmp[0-9]' && [ -z "$(ls -A "$TMPDIR")" ]
}
says() {  # says CODE TEXT ARGS...: runs the tool with ARGS, then said CODE TEXT
  local want=$1 text=$2
  shift 2
  run "$@"
  said "$want" "$text"
}
# A failure: one line, exit code 1, no output file and nothing left behind.
fails_cleanly() {  # fails_cleanly OUTPUT TEXT ARGS...
  local out=$1
  shift
  says 1 "$@" && [ ! -e "$out" ] && no_leftovers "$work"
}
# Per midicsv, whether every channel with a program (every channel that is on) starts a note in
# every one of the file's bars.
every_channel_in_every_bar() {  # every_channel_in_every_bar MIDI
  midicsv "$1" | awk -F', ' '
    $3 == "Program_c" {on[$4] = 1}
    $3 == "Note_on_c" && $6 > 0 {played[$4, int($2 / 768)] = 1}
    $3 == "End_track" {bars = int($2 / 768)}
    END {for (c in on) for (b = 0; b < bars; b++) if (!played[c, b]) exit 1; exit !length(on)}'
}
# Audible from start to end: at least three whole 10-second windows of a WAV file, none of
# them near silence.
never_silent() {  # never_silent WAV
  local length start
  length=$(soxi -D "$1")
  for start in $(seq 0 10 $((${length%.*} - 10))); do
    sox "$1" -n trim "$start" 10 stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
  done | awk '$1 < 0.003 {quiet++} END {exit NR < 3 || quiet}'
}
png_size() {  # png_size PNG: "WIDTH HEIGHT"
  python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(24)
print(*struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$1"
}

for setup in "$examples"/*.mpr; do
  name=$(basename "$setup" .mpr)
  check "$name composes" "$cli" compose "$setup" -o "$work/$name.mid"
  # midicsv, not our own code, reads the file back: music from the first bar to the last.
  check "$name has new notes on every channel in every bar" every_channel_in_every_bar "$work/$name.mid"
  check "$name preview is a 200x200 PNG" eval '"$cli" preview "$setup" -o "$work/$name.png" >/dev/null &&
    [ "$(png_size "$work/$name.png")" = "200 200" ]'
  check "$name palette has 20 colours" eval '[ $("$cli" palette "$setup" --channel 2 | grep -c "#") -eq 20 ]'
  check "$name renders to audio that is never silent for 10 seconds" eval '
    "$cli" render "$setup" -o "$work/$name.wav" >/dev/null && never_silent "$work/$name.wav"'
done
first=$(ls "$examples"/*.mpr | head -n 1)

check "ports lists the built-in synthesizer as default" eval '"$cli" ports | grep -q "Built-in synthesizer (FluidSynth) *(default)"'
each_has_an_example() {
  for c in compose render play ports preview palette; do "$cli" $c --help | grep -q '^Example' || return 1; done
}
check "--help gives the exit codes, each subcommand's an example" eval '
  "$cli" --help | grep -q "2 usage error" && "$cli" --version | grep -q "halcyone-cli" && each_has_an_example'
kernel_levels() {  # every name is taken; scalar is on every processor
  HALCYONE_ISA=scalar run --version
  [ "$code" -eq 0 ] && [ ! -s "$work/stderr" ] && grep -q "(escape kernels: scalar)" "$work/stdout" &&
    HALCYONE_ISA=no-such-level run --version && said 0 "HALCYONE_ISA=no-such-level names no level" &&
    grep -q "(escape kernels: [a-z0-9]*)" "$work/stdout"
}
check "--version names the kernels' level, which HALCYONE_ISA forces or, unknown, falls back from with one line" kernel_levels

# For a DAW. compose --tracks read back by two readers, mido and midicsv: a first track with the
# meta events, then for each channel that plays a track named after its instrument that holds
# exactly that channel's events of the one-track file.
per_channel() {  # per_channel MIDI: channel messages of channels 1-5, grouped by channel in file order
  midicsv "$1" | awk -F', ' '$3 ~ /_c$/ && $4 < 5 {$1 = ""; print $4 "|" $0}' | sort -t '|' -k 1,1 -s
}
tracks_of() {  # tracks_of SETUP NAME...
  local setup=$1
  shift
  "$cli" compose "$setup" -o "$work/one.mid" >/dev/null &&
    "$cli" compose "$setup" -o "$work/tracks.mid" --tracks >/dev/null &&
    /usr/bin/python3 "$tests/midi_tracks_check.py" "$work/one.mid" "$work/tracks.mid" "$@" &&
    [ "$(per_channel "$work/one.mid")" = "$(per_channel "$work/tracks.mid")" ] &&
    [ "$(midicsv "$work/tracks.mid" | awk -F', ' '$3 == "Header" {print $5}')" -eq $(($# + 1)) ] &&
    [ "$(midicsv "$work/tracks.mid" | awk -F', ' '$3 == "Title_t" {print $4}' | tr -d '"' | paste -sd '|')" = \
      "$(IFS='|'; echo "$*")" ]
}
check "seahorse-valley as tracks: four, each holding its channel's events" tracks_of \
  "$examples/seahorse-valley.mpr" "Acoustic Grand Piano" "Acoustic Bass" "String Ensemble 1" "Vibraphone"
check "bulb-garden as tracks: five, each holding its channel's events" tracks_of \
  "$examples/bulb-garden.mpr" "Orchestral Harp" "Cello" "Pad 1 (new age)" "Glockenspiel" "Flute"

# The audio format: by the extension, unless --format says otherwise; standard output takes it
# too. FLAC and Ogg Vorbis hold as many stereo samples as the WAV.
first_wav=$work/$(basename "$first" .mpr).wav
samples=$(soxi -s "$first_wav")
formats() {
  "$cli" render "$first" -o "$work/f.flac" >/dev/null && "$cli" render "$first" -o "$work/f.OGG" >/dev/null &&
    "$cli" render "$first" -o "$work/forced.wav" --format flac >/dev/null &&
    "$cli" render "$first" -o - --format ogg >"$work/pipe.ogg" || return 1
  for f in f.flac f.OGG pipe.ogg; do
    [ "$(soxi -s "$work/$f")" = "$samples" ] && [ "$(soxi -c "$work/$f")" = 2 ] || return 1
  done
  [ "$(head -c 4 "$work/f.flac")$(head -c 4 "$work/f.OGG")" = fLaCOggS ] &&
    [ "$(head -c 4 "$work/forced.wav")$(head -c 4 "$work/pipe.ogg")" = fLaCOggS ]
}
check "render writes FLAC and Ogg Vorbis by the extension or --format, as long as the WAV" formats

# Stems: one per channel that plays, each as long as the whole render (the library's tests
# measure their sum against it).
stems() {
  "$cli" render "$first" -o "$work/stems" --stems >"$work/stdout" &&
    [ "$(ls "$work/stems" | paste -sd ' ')" = \
      "01-Orchestral-Harp.wav 02-Cello.wav 03-Pad-1-new-age.wav 04-Glockenspiel.wav 05-Flute.wav" ] &&
    [ "$(grep -c "^Wrote $work/stems/0" "$work/stdout")" -eq 5 ] || return 1
  local f
  for f in "$work"/stems/*.wav; do [ "$(soxi -s "$f")" = "$samples" ] || return 1; done
}
check "render --stems: a file per channel, as long as the whole render" stems

# The set-up is never the output: by its path, a symbolic link or a hard link.
cp "$first" "$work/setup.mpr"
ln -s setup.mpr "$work/soft.mpr"
ln "$work/setup.mpr" "$work/hard.mpr"
refused=0
for out in setup.mpr soft.mpr hard.mpr; do
  for command in compose preview render; do
    says 1 "it is the set-up file being read" "$command" "$work/setup.mpr" -o "$work/$out" || refused=1
  done
done
check "an output that is the set-up is refused and the set-up stays as it was" \
  eval '[ $refused -eq 0 ] && cmp -s "$work/setup.mpr" "$first" && [ -L "$work/soft.mpr" ]'

# - is standard output: the data and nothing else (render's is below, with a broken TMPDIR).
"$cli" compose "$first" -o "$work/file.mid" >/dev/null
check "compose -o - writes the MIDI file to stdout" eval '"$cli" compose "$first" -o - | cmp -s - "$work/file.mid"'
check "preview -o - writes a PNG to stdout" eval '"$cli" preview "$first" -o - | head -c 4 | grep -q PNG'

# Ctrl-C or SIGTERM: nothing left behind, the old output intact, the process ended by the signal.
patch "$first" "$work/long.mpr" 1=0 2=200 3=0 4=30    # 200 bars at 30 bpm: minutes of audio
# 999 bars, channel 1 black "Average amount" at "1/64": many seconds of composing, even now that
# most channels cost a few iterations a sample.
patch "$first" "$work/longest.mpr" 1=3 2=231 44=2 45=0 46=0 47=0 54=6
echo old >"$work/old.wav"
echo old >"$work/old.mid"
set -m  # jobs of their own: a background job's SIGINT is not ignored
"$cli" render "$work/long.mpr" -o "$work/old.wav" >/dev/null 2>&1 &
job=$!
for _ in $(seq 600); do ls -A "$work" | grep -q '^\.old\.wav\.tmp' && break; sleep 0.1; done
sleep 0.5
kill -INT $job
wait $job
interrupted=$?
"$cli" compose "$work/longest.mpr" -o "$work/old.mid" >/dev/null 2>&1 &
job=$!
sleep 1
kill -TERM $job
wait $job
terminated=$?
set +m
check "SIGINT during render leaves the old output and no temporary" \
  eval '[ $interrupted -eq 130 ] && [ "$(cat "$work/old.wav")" = old ] && no_leftovers "$work"'
# Stems stopped: a folder the render made goes; an existing one keeps its files and old stems.
mkdir "$work/kept"
echo old >"$work/kept/01-Orchestral-Harp.wav"
echo mine >"$work/kept/mine.txt"
stop_stems() {  # stop_stems FOLDER: SIGINT once the stems' temporaries are there; the exit code
  set -m
  "$cli" render "$work/long.mpr" -o "$1" --stems >/dev/null 2>&1 &
  local job=$!
  for _ in $(seq 600); do ls -A "$1" 2>/dev/null | grep -q '\.tmp[0-9]' && break; sleep 0.1; done
  sleep 0.5
  kill -INT $job
  wait $job
  local code=$?
  set +m
  return $code
}
stop_stems "$work/made"
made=$?
stop_stems "$work/kept"
kept=$?
check "SIGINT during render --stems removes the folder it made, keeps a folder's files" eval '
  [ $made -eq 130 ] && [ ! -e "$work/made" ] && [ $kept -eq 130 ] &&
  [ "$(cat "$work/kept/01-Orchestral-Harp.wav") $(ls "$work/kept" | paste -sd " ")" = "old 01-Orchestral-Harp.wav mine.txt" ] &&
  no_leftovers "$work/kept"'
check "SIGTERM during compose leaves the old output" \
  eval '[ $terminated -eq 143 ] && [ "$(cat "$work/old.mid")" = old ]'

# A TMPDIR that is missing: one line, and a folder that works.
TMPDIR=/nonexistent "$cli" render "$first" -o - >"$work/fallback.wav" 2>"$work/stderr"
code=$?
check "TMPDIR=/nonexistent: a message, not a crash, and render -o - writes a WAV file" eval '
  [ $code -eq 0 ] && grep -q "TMPDIR /nonexistent can.t be used" "$work/stderr" && [ $(soxi -c "$work/fallback.wav") -eq 2 ]'

# On a terminal a failed render ends its progress line where it stood, then says why.
script -qec "bash -c \"trap '' XFSZ; ulimit -f 200; exec '$cli' render '$first' -o '$work/cut.wav'\"" \
  /dev/null | tr '\r' '\n' | grep -v '^$' >"$work/terminal"
check "a failed render on a terminal shows no full bar after the error" eval '
  tail -n 1 "$work/terminal" | grep -q "^halcyone-cli: can.t write $work/cut.wav: File too large" &&
  ! grep -q "Rendering.*100%" "$work/terminal"'

# A set-up that composes no notes is written all the same, with one line on stderr.
patch "$first" "$work/off.mpr" 43=0 109=0 175=0 241=0 307=0
patch "$first" "$work/unmet.mpr" 44=0 110=0 176=0 242=0 308=0 45=1 46=2 47=3 111=1 112=2 113=3 177=1 178=2 179=3 243=1 244=2 245=3 309=1 310=2 311=3
check "every channel Off: written, and said" \
  eval 'says 0 "every channel is Off" compose "$work/off.mpr" -o "$work/off.mid" && [ -s "$work/off.mid" ]'
check "no colour met: written, and said" \
  eval 'says 0 "meets its colour" compose "$work/unmet.mpr" -o "$work/unmet.mid" && [ -s "$work/unmet.mid" ]'

# Usage errors exit with 2, failures with 1; messages speak of ports, never of "Midi device".
check "an unknown subcommand is named" says 2 "unknown subcommand 'frobnicate'" frobnicate "$first"
check "--channel abc is not a number" says 2 "'abc' is not a number" palette "$first" --channel abc
check "--channel 6 is out of range" says 2 "6 is not a channel number" palette "$first" --channel 6
check "a negative --port is refused with a pointer to ports" says 2 "halcyone-cli ports" play "$first" --port -1
check "an unknown --port is refused with its number" eval 'says 1 "no output port 9999; " play "$first" --port 9999 &&
  grep -q "halcyone-cli ports" "$work/stderr" && ! grep -qi "midi device" "$work/stderr" && [ ! -s "$work/stdout" ]'
echo "not a font" >"$work/bad.sf2"
check "a SoundFont that is not one is the culprit" fails_cleanly "$work/x.wav" "can't use SoundFont $work/bad.sf2" render "$first" -o "$work/x.wav" --soundfont "$work/bad.sf2"
check "a missing SoundFont is the culprit" fails_cleanly "$work/x.wav" "can't open SoundFont $work/none.sf2: No such file" render "$first" -o "$work/x.wav" --soundfont "$work/none.sf2"
font=/usr/share/sounds/sf2/default-GM.sf2
if [ -r "$font" ]; then
  head -c 4096 "$font" >"$work/cut.sf2"  # loading it fails deep in the libraries, which warn
  check "a SoundFont that fails to load is named, and library noise stays off" \
    fails_cleanly "$work/x.wav" "can't load SoundFont $work/cut.sf2" render "$first" -o "$work/x.wav" --soundfont "$work/cut.sf2"
fi
head -c 100 "$first" >"$work/short.mpr"
check "a short set-up is refused" fails_cleanly "$work/x.mid" "can't load $work/short.mpr: Bad preferences file: 100 bytes long" compose "$work/short.mpr" -o "$work/x.mid"
check "a missing set-up is refused" fails_cleanly "$work/x.mid" "can't open $work/none.mpr: No such file or directory" compose "$work/none.mpr" -o "$work/x.mid"
check "--stems to standard output is a usage error" says 2 "not to standard output" render "$first" -o - --stems
check "an unknown --format is a usage error" says 2 "'mp3' is not an audio format" render "$first" -o "$work/x.mp3" --format mp3
check "a stems folder whose parent is missing is named" fails_cleanly "$work/no/stems" \
  "can't create $work/no/stems: Folder $work/no does not exist" render "$first" -o "$work/no/stems" --stems
check "a missing output folder is named" fails_cleanly "$work/no/dir/x.mid" "can't create $work/no/dir/x.mid: Folder $work/no/dir does not exist" compose "$first" -o "$work/no/dir/x.mid"
check "an unwritable preview is refused" fails_cleanly "$work/no/x.png" "Folder $work/no does not exist" preview "$first" -o "$work/no/x.png"

# FluidSynth and ALSA come in a module that only the subcommands making sound open; it takes
# the engine from the tool rather than carrying a second copy of its state.
libraries() {  # libraries ARGS...: the shared libraries the tool loads for ARGS
  LD_DEBUG=libs "$cli" "$@" 2>&1 >/dev/null </dev/null | grep -o 'calling init: [^ ]*' | sort -u
}
check "--version and compose don't load FluidSynth, ports does" eval '
  ! libraries --version | grep -q libfluidsynth &&
  ! libraries compose "$first" -o "$work/plain.mid" | grep -q libfluidsynth &&
  libraries ports | grep -q libfluidsynth && [ -s "$work/plain.mid" ]'
module=$(dirname "$cli")/halcyone-playback.so
check "the module calls the tool's engine and has none of its own" eval '
  LD_DEBUG=bindings "$cli" render "$first" -o "$work/bound.wav" 2>&1 >/dev/null </dev/null |
    grep -q "binding file [^ ]*/halcyone-playback.so .* to [^ ]*halcyone-cli .*_ZN8halcyone8SafeFile6commitEv" &&
  ! nm -D --defined-only "$module" | grep -q -e _ZN8halcyone8SafeFile -e _ZN8halcyone8appStateE'
# A tool without its module still composes; the sound subcommands say which file failed and why.
mkdir "$work/alone"
cp "$cli" "$work/alone/halcyone-cli"
alone() { cli=$work/alone/halcyone-cli run "$@"; }
without_module() {
  for command in "ports" "render $first -o $work/alone/x.wav" "play $first"; do
    alone $command
    said 1 "can't load the playback module $work/" &&
      grep -q "/halcyone-playback.so: cannot open shared object file: No such file" "$work/stderr" &&
      [ ! -e "$work/alone/x.wav" ] || return 1
  done
  alone compose "$first" -o "$work/alone/x.mid"
  [ "$code" -eq 0 ] && [ -s "$work/alone/x.mid" ]
}
check "without the module, render, play and ports fail with one line and compose works" without_module
not_the_module() {  # a broken file, then a library without the entry point, in its place
  echo "not a module" >"$work/alone/halcyone-playback.so"
  alone ports
  said 1 "can't load the playback module $work/alone/halcyone-playback.so: " || return 1
  cp "$(ldd "$cli" | awk '/libpng/ {print $3}')" "$work/alone/halcyone-playback.so"
  alone ports
  said 1 "$work/alone/halcyone-playback.so: undefined symbol: halcyone_playback_module"
}
check "a file in the module's place that is not the module is named and refused" not_the_module

finish
