#!/usr/bin/env bash
# Output benchmark: captured tiles to PDF and JPG pages at three page heights, against the
# encoder's limit and a common peer (ImageMagick cutting the same picture into a JPEG PDF).
# Usage: scripts/bench.sh [height ...]   (default 10000 50000 100000)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

start_test_environment
trap stop_test_environment EXIT INT TERM

heights=("$@")
[ ${#heights[@]} -gt 0 ] || heights=(10000 50000 100000)
WORK=$(mktemp -d /tmp/vantrelle-bench.XXXXXX)
RESULTS="$WORK/results.txt"
: >"$RESULTS"

for h in "${heights[@]}"; do
  dir="$WORK/h$h"
  mkdir -p "$dir"
  echo "bench: page of 1280 x $h" >&2
  wine "$BUILD_DIR/bench/output_bench.exe" "$h" "$(winepath -w "$dir")" 2>/dev/null | tr -d '\r' | sed "s/^/h=$h /" >>"$RESULTS"
  # The peer: the same picture as one BMP cut into pieces of our page size, one JPEG PDF.
  piece=$(grep "^h=$h pages=" "$RESULTS" | sed -E 's/.*piece_width=([0-9]+) piece_height=([0-9]+).*/\1x\2/')
  start=$(date +%s.%N)
  MAGICK_CONFIGURE_PATH="$ROOT/bench/imagemagick" convert "$dir/peer.bmp" -crop "$piece" +repage \
    -compress jpeg -quality 90 "$dir/peer.pdf"
  end=$(date +%s.%N)
  peer_pages=$(pdfinfo "$dir/peer.pdf" | awk '/^Pages:/{print $2}')
  echo "h=$h stage=peer seconds=$(echo "$end - $start" | bc) pages=$peer_pages pdf_bytes=$(stat -c %s "$dir/peer.pdf")" >>"$RESULTS"
  rm -f "$dir/peer.bmp" "$dir/peer.pdf"
  rm -rf "$dir/jpg"
done

python3 "$ROOT/bench/report.py" "$RESULTS"
rm -rf "$WORK"
