#!/usr/bin/env bash
# Builds optimised and runs every benchmark in bench/, each of which compares itself with the
# plain reference in the same run and prints the ratio. Then, if hyperfine is installed, times
# the command-line tool composing the compose benchmark's set-ups end to end (process start
# included) and sets that against the reference composes of the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALCYONE_BUILD_TESTS=OFF \
  -DHALCYONE_BUILD_GUI=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
log=$(mktemp)
trap 'rm -rf "$log" "${setups:-}"' EXIT
for b in build-bench/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@" | tee -a "$log"
done

command -v hyperfine >/dev/null || { echo "(hyperfine not installed: no end-to-end timings)"; exit 0; }
echo "== halcyone-cli compose, end to end"
setups=$(mktemp -d)
build-bench/bench/compose_bench --setups="$setups" >/dev/null
cli=build-bench/cli/halcyone-cli
for name in NotBlack200 Black200 Heavy999; do
  runs=10
  [ "$name" = Heavy999 ] && runs=2
  hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$setups/$name.json" \
    "$cli compose $setups/$name.mpr -o $setups/$name.mid" >/dev/null
  python3 - "$setups/$name.json" "$name" "$log" <<'PY'
import json, re, sys
result = json.load(open(sys.argv[1]))["results"][0]
name, mean = sys.argv[2], result["mean"] * 1000
line = f"  {name:<12} {mean:9.1f} ms wall (min {min(result['times']) * 1000:.1f} ms)"
reference = re.search(rf"^\s+{name}/Reference\s+([0-9.]+) ms", open(sys.argv[3]).read(), re.M)
if reference:
    line += f", {float(reference.group(1)) / mean:.1f}x faster than the reference compose"
print(line)
PY
done
hyperfine -N --style none --warmup 2 --runs 10 --export-json "$setups/version.json" \
  "$cli --version" >/dev/null
python3 - "$setups/version.json" <<'PY'
import json, sys
mean = json.load(open(sys.argv[1]))["results"][0]["mean"] * 1000
print(f"  --version    {mean:9.1f} ms wall: starting the process")
PY
