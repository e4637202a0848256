#!/usr/bin/env bash
# Builds, registers the control in a fresh Wine prefix and hosts it in the stand-in browser on a
# demo page whose script calls GetVtnVersion and Run2; prints the browser's output and the request
# log the control wrote.
# Usage: scripts/demo.sh [PAGE.xml] [vtbrowser arguments...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

PAGE=${1:-$ROOT/resources/demo/demo_page.xml}
shift || true

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

start_test_environment
trap stop_test_environment EXIT INT TERM

# Message boxes of the control are answered (OK / Yes) instead of waiting for a person.
export VANTRELLE_DIALOG_ANSWERS=${VANTRELLE_DIALOG_ANSWERS:-*=1}

wine regsvr32 /s "$(winepath -w "$BUILD_DIR/Vantrelle.ocx")"
echo "registered $BUILD_DIR/Vantrelle.ocx"
wine "$BUILD_DIR/browser/vtbrowser.exe" "$(winepath -w "$PAGE")" "$@" | tr -d '\r' | grep -v '^event OnPaint()$' || true

log=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
log_unix=$(winepath -u "$log\\Vantrelle.log" 2>/dev/null || true)
if [ -n "$log_unix" ] && [ -f "$log_unix" ]; then
  echo "request log ($log\\Vantrelle.log):"
  tr -d '\r' <"$log_unix" | sed 's/^/  /'
fi
