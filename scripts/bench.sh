#!/usr/bin/env bash
# Builds optimised and runs every benchmark in bench/ once for each instruction-set level of the
# escape kernels that this processor has (forced with HALCYONE_ISA); each benchmark compares
# itself with the plain reference in the same run and prints the ratio. Then, if hyperfine is
# installed, times the command-line tool composing the compose benchmark's set-ups end to end
# (process start included) at each level and sets that against the reference composes of the
# same level's run. Arguments go to the benchmarks (e.g. --benchmark_filter=Views).
# BENCH_LEVELS="avx2 avx512" limits the levels.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALCYONE_BUILD_TESTS=OFF \
  -DHALCYONE_BUILD_GUI=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
cli=build-bench/cli/halcyone-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The levels this processor runs: a level it lacks makes the tool say so on stderr.
levels=()
for level in ${BENCH_LEVELS:-scalar neon avx2 avx512}; do
  if [ -z "$(HALCYONE_ISA=$level "$cli" --version 2>&1 >/dev/null)" ]; then
    levels+=("$level")
  else
    echo "(skipping level $level: not available here)"
  fi
done
grep -m1 "model name" /proc/cpuinfo 2>/dev/null || true

echo "== files_bench"
build-bench/bench/files_bench "$@"
for level in "${levels[@]}"; do
  for b in escape_bench compose_bench; do
    echo "== $b, level $level"
    HALCYONE_ISA=$level build-bench/bench/$b "$@" | tee "$work/$b-$level.log"
  done
done

command -v hyperfine >/dev/null || { echo "(hyperfine not installed: no end-to-end timings)"; exit 0; }
build-bench/bench/compose_bench --setups="$work" >/dev/null
names=(NotBlack200 Black200 ViewsNotBlack200 ViewsBlack200 Heavy999)
for level in "${levels[@]}"; do
  echo "== halcyone-cli compose, end to end, level $level"
  for name in "${names[@]}"; do
    runs=10 warmup=1
    [ "$name" = Heavy999 ] && runs=2 warmup=0
    HALCYONE_ISA=$level hyperfine -N --style none --warmup "$warmup" --runs "$runs" \
      --export-json "$work/$name-$level.json" \
      "$cli compose $work/$name.mpr -o $work/$name.mid" >/dev/null
  done
  HALCYONE_ISA=$level hyperfine -N --style none --warmup 2 --runs 10 \
    --export-json "$work/version-$level.json" "$cli --version" >/dev/null
  python3 - "$work" "$level" "${names[@]}" <<'PY'
import json, re, sys
work, level, names = sys.argv[1], sys.argv[2], sys.argv[3:]
log = open(f"{work}/compose_bench-{level}.log").read()
def mean_ms(name):
    result = json.load(open(f"{work}/{name}-{level}.json"))["results"][0]
    return result["mean"] * 1000, min(result["times"]) * 1000
for name in names:
    mean, least = mean_ms(name)
    line = f"  {name:<17} {mean:9.1f} ms wall (min {least:.1f} ms)"
    reference = re.search(rf"^\s+{name}/Reference\s+([0-9.]+) ms", log, re.M)
    if reference:
        line += f", {float(reference.group(1)) / mean:6.1f}x faster than the reference compose"
    print(line)
print(f"  --version         {mean_ms('version')[0]:9.1f} ms wall: starting the process")
PY
done
