#!/usr/bin/env bash
# Builds Halcyone and runs its main job: composes the bundled example set-up (or the .mpr
# given as the first argument) into a Standard MIDI File under out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target halcyone-cli
setup=${1:-examples/seahorse-valley.mpr}
mkdir -p out
output="out/$(basename "$setup" .mpr).mid"
build/cli/halcyone-cli compose "$setup" -o "$output"
echo "The MIDI file is $(realpath "$output")."
echo "Hear it: build/cli/halcyone-cli render $setup -o out/piece.wav  (or: ... play $setup)"
