#!/usr/bin/env bash
# Builds the engine and its tests for ARM64 (AArch64) with Debian's cross compiler and runs the
# tests under qemu's user-mode emulator: the escape kernels' scalar and NEON levels and the
# parallel compose against the plain loop, on an instruction set this machine does not have.
# No Qt, FluidSynth or ALSA: GoogleTest is built from Debian's sources, Highway needs only its
# headers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh  # the cross compiler, qemu, Highway's headers, GoogleTest's sources

build=build-arm64
mkdir -p "$build/include"
ln -sfn /usr/include/hwy "$build/include/hwy"  # only Highway's headers, not the host's others
cross=(-G Ninja -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64
  -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++
  -DCMAKE_BUILD_TYPE=RelWithDebInfo)

if [ ! -e "$build/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" "${cross[@]}" -DBUILD_GMOCK=OFF \
    -DCMAKE_INSTALL_PREFIX="$PWD/$build/gtest" >/dev/null
  cmake --build "$build/googletest" -j "$(nproc)" --target install >/dev/null
fi

cmake -S . -B "$build/engine" "${cross[@]}" -DHALCYONE_ENGINE_ONLY=ON \
  -DCMAKE_PREFIX_PATH="$PWD/$build/gtest" -DHWY_INCLUDE_DIR="$PWD/$build/include" \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-aarch64-static;-L;/usr/aarch64-linux-gnu" >/dev/null
cmake --build "$build/engine" -j "$(nproc)"
ctest --test-dir "$build/engine" --output-on-failure -j "$(nproc)"
