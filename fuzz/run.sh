#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (clang 14, ASan + UBSan) and runs each for a bounded
# time, starting from the seeds in fuzz/corpus/. Exits non-zero when a target crashes; the
# input that did it is left in the build folder as crash-*.
#   FUZZ_SECONDS   time per target (default 30)
#   FUZZ_BUILD_DIR where binaries, the growing corpora and crash inputs go (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
out=${FUZZ_BUILD_DIR:-build-fuzz}
mkdir -p "$out"

flags=(-std=c++20 -O1 -g -I. -ffp-contract=off -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
clang++-14 "${flags[@]}" fuzz/PreferencesFuzz.cpp files/PreferencesCodec.cpp files/ByteReader.cpp \
  compose/ControlTexts.cpp -o "$out/preferences_fuzz"
clang++-14 "${flags[@]}" fuzz/MidiBytesFuzz.cpp files/MidiBytes.cpp -o "$out/midi_fuzz"
clang++-14 "${flags[@]}" fuzz/MidiFileCheckFuzz.cpp playback/MidiFileCheck.cpp files/ByteReader.cpp \
  playback/MusicResult.cpp -o "$out/midifile_fuzz"

for target in preferences midi midifile; do
  echo "== fuzzing $target for ${seconds}s"
  mkdir -p "$out/corpus-$target"
  "$out/${target}_fuzz" -max_total_time="$seconds" -max_len=2048 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" "$out/corpus-$target" "fuzz/corpus/$target"
done
