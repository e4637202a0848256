#!/usr/bin/env bash
# Configures and builds the control, the test programs and the tools (cross-compiled).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DVANTRELLE_DEPS="$VANTRELLE_DEPS" >/dev/null
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
