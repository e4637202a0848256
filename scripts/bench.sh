#!/usr/bin/env bash
# Output benchmark: captured tiles to PDF and JPG pages and to the printer at three page heights,
# against the encoder's limit and common peers (libvips, libjpeg-turbo's cjpeg and ImageMagick
# cutting the same picture into a PDF of JPEG pages, libvips into scaled JPG pages).
# Then re-tiling of a clipped capture 100,000 pixels wide, with its peak working set.
# Usage: scripts/bench.sh [height ...]   (default 10000 100000 300000)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

heights=("$@")
[ ${#heights[@]} -gt 0 ] || heights=(10000 100000 300000)
WORK=$(mktemp -d /tmp/vantrelle-bench.XXXXXX)
RESULTS="$WORK/results.txt"
: >"$RESULTS"

start_test_environment
cleanup() { stop_test_environment; rm -rf "$WORK"; }
trap cleanup EXIT INT TERM

BENCH="$BUILD_DIR/bench/output_bench.exe"
# Every height is laid out on the printer's page: wait until the queue answers.
wine "$BENCH" --wait-for-printer 60 2>/dev/null | tr -d '\r' >&2 || { echo "bench: the printer queue is not ready" >&2; exit 1; }

field() { grep "^h=$1 " "$RESULTS" | grep -o " $2=[^ ]*" | head -1 | cut -d= -f2; }

for h in "${heights[@]}"; do
  dir="$WORK/h$h"
  mkdir -p "$dir"
  echo "bench: page of 1280 x $h (load $(cut -d' ' -f1-3 /proc/loadavg))" >&2
  echo "h=$h load=$(cut -d' ' -f1 /proc/loadavg)" >>"$RESULTS"
  status=0
  wine "$BENCH" "$h" "$(winepath -w "$dir")" 2>/dev/null | tr -d '\r' | sed "s/^/h=$h /" >>"$RESULTS" || status=$?
  if [ "$status" -ne 0 ] || [ -n "$(field "$h" refused)" ]; then
    rm -rf "$dir"
    continue
  fi
  clip="$(field "$h" clip_left),$(field "$h" clip_top),$(field "$h" clip_right),$(field "$h" clip_bottom)"
  page="$(field "$h" piece_width),$(field "$h" piece_height)"
  /usr/bin/python3 "$ROOT/bench/peers.py" "$dir/peer.ppm" "$dir" "$clip" "$page" 90 "$(field "$h" workers)" \
    "$(field "$h" page_width)" 100 \
    | sed "s/^/h=$h /" >>"$RESULTS"
  rm -rf "$dir"
done

python3 "$ROOT/bench/report.py" "$RESULTS"

# A page far wider than any screen, clipped: re-tiling must keep its memory bounded.
echo
wine "$BUILD_DIR/bench/retile_bench.exe" 100000 1200 2>/dev/null | tr -d '\r'
