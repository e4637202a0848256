#!/usr/bin/env bash
# Sets up the machine when needed, builds, and runs every test under Wine and Xvfb.
# Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

"$ROOT/scripts/check-layers.sh"
"$ROOT/scripts/check-owners.sh"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"

start_test_environment
trap stop_test_environment EXIT INT TERM

jobs=$(nproc)
set +e
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j"$jobs" "$@"
status=$?
set -e
exit $status
