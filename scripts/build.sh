#!/usr/bin/env bash
# Configures and builds the Windows x64 program and its tests (inside the Debian 13 root).
#   BUILD_DIR (default build) picks the build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
fi
cmake --build "$BUILD_DIR" -- -k 0 "$@"
