#!/usr/bin/env bash
# Setting benchmark: how long hostile header/footer settings keep the browser's thread busy.
# Usage: scripts/setting-bench.sh [case ...]   (default: every case)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

WORK=$(mktemp -d /tmp/vantrelle-setting-bench.XXXXXX)
start_test_environment
cleanup() { stop_test_environment; rm -rf "$WORK"; }
trap cleanup EXIT INT TERM

wine "$BUILD_DIR/bench/setting_bench.exe" "$(winepath -w "$WORK")" "$@" 2>/dev/null | tr -d '\r'
