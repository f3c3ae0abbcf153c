#!/usr/bin/env bash
# Builds Halcyone and runs every test: a normal build, then (unless --quick) a build with the
# Unix Makefiles generator that is packaged and installed, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, the loops shared out over the cores and the
# parallel compose under ThreadSanitizer, and the engine's tests built for ARM64 and run under
# qemu (scripts/arm64.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "$quick" -eq 0 ]; then
  # CMake's default generator, as a packager or a user runs it: what the install needs, built
  # with Unix Makefiles, then installed and used as the Ninja build is by its package test.
  cmake -S . -B build-make -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALCYONE_BUILD_TESTS=OFF -DHALCYONE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-make -j "$jobs"
  bash tests/package_test.sh build-make

  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHALCYONE_SANITIZE=ON \
    -DHALCYONE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs"
  bash fuzz/run.sh  # libFuzzer over the file parsers, about a minute and a half
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALCYONE_ENGINE_ONLY=ON \
    -DHALCYONE_THREAD_SANITIZER=ON >/dev/null
  cmake --build build-tsan -j "$jobs" --target fast_tests compose_tests
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
    -R 'ParallelLoop|EscapeGrid|ComposerParallel'

  bash scripts/arm64.sh
fi
