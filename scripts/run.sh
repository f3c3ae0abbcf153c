#!/usr/bin/env bash
# Builds Halcyone and opens its window. Where there is no display, says so and runs the main
# job without the window instead: composes the bundled example set-up (or the .mpr given as
# the first argument) into a Standard MIDI File under out/ with halcyone-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target halcyone halcyone-cli

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/ui/halcyone
fi

echo "There is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window can't open."
echo "Composing the bundled example with the command-line companion instead."
setup=${1:-examples/seahorse-valley.mpr}
mkdir -p out
output="out/$(basename "$setup" .mpr).mid"
build/cli/halcyone-cli compose "$setup" -o "$output"
echo "The MIDI file is $(realpath "$output")."
echo "Hear it: build/cli/halcyone-cli render $setup -o out/piece.wav  (or: ... play $setup)"
