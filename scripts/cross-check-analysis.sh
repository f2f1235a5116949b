#!/usr/bin/env bash
# Cross-compiles the analysis library and its tests for 64-bit ARM and runs
# the tests under qemu-user. Needs, on a Debian amd64 machine:
#   dpkg --add-architecture arm64 && apt-get update
#   apt-get install g++-aarch64-linux-gnu qemu-user libhwy-dev:arm64 libgtest-dev:arm64
# QEMU_CPU picks the emulated processor, e.g. QEMU_CPU=max for SVE as well as
# NEON.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TREMOLUNDRIX_CROSS_BUILD_DIR:-build-aarch64}
cmake -S scripts/cross-aarch64 -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/cross-aarch64/toolchain.cmake" >/dev/null
cmake --build "$build" --parallel 2
ctest --test-dir "$build" --output-on-failure
