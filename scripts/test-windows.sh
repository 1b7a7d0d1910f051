#!/usr/bin/env bash
# Cross-builds the core, the Win32 window, the installer and their tests for
# Windows with mingw-w64 and runs the tests under Wine, in a Wine prefix of
# their own inside the build directory and a virtual display.
# Usage: test-windows.sh [BUILD_DIR] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
jobs="${2:-2}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
fi
cmake --build "$build" -j "$jobs"

source scripts/wine-session.sh

ctest --test-dir "$build" --output-on-failure -j "$jobs"
