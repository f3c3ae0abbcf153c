#!/usr/bin/env bash
# Builds optimised and runs every benchmark in bench/, each of which compares itself with the
# plain reference in the same run and prints the ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALCYONE_BUILD_TESTS=OFF \
  -DHALCYONE_BUILD_GUI=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
for b in build-bench/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
