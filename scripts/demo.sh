#!/usr/bin/env bash
# The road a user takes, with real outputs. Builds, registers the control in a fresh Wine prefix,
# serves a header and footer setting with its images over HTTP on 127.0.0.1, and hosts the control
# in the stand-in browser on the demo page three times, each request with that setting:
#   1. printed without preview (/sp:1) on this run's PDF printer queue;
#   2. shown in the preview, where Ctrl+S saves every page as one PDF file;
#   3. the same, saving every page as a JPG file.
# A person's part is played: the keys are typed into the preview (vtbrowser --type), and the save
# dialog and the quit question are answered through the dialog seam (VANTRELLE_DIALOG_ANSWERS).
# Prints each run's output and request log, then the files produced, all in build/demo.
# With --by-hand it makes only the one request that shows the preview, on the display that DISPLAY
# names, and leaves the preview to the person; the request ends when they close it.
# Usage: scripts/demo.sh [--by-hand]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

BY_HAND=
case "${1:-}" in
  "") ;;
  --by-hand)
    BY_HAND=1
    [ -n "${DISPLAY:-}" ] || { echo "demo: --by-hand shows the preview on your display: set DISPLAY" >&2; exit 2; }
    unset CI  # the display is the person's, not one of our own
    ;;
  *) echo "usage: scripts/demo.sh [--by-hand]" >&2; exit 2 ;;
esac

PAGE=$ROOT/resources/demo/demo_page.xml
OUT=$BUILD_DIR/demo
SITE=$OUT/site

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

SERVER_PID=
stop_all() {
  if [ -n "$SERVER_PID" ]; then
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
  fi
  stop_test_environment
}
start_test_environment
trap stop_all EXIT INT TERM

rm -rf "$OUT"
mkdir -p "$SITE"
# The setting's images: a blue band behind the header's text, a rule above the footer's.
convert -size 1000x56 gradient:'#1F4E79-#6FA8DC' "$SITE/header.gif"
convert -size 1000x36 xc:'#F2F6FB' -fill '#336699' -draw 'rectangle 0,0 999,3' "$SITE/footer.gif"

# The site: a server on a free port of 127.0.0.1 that ends with the demo (or after ten minutes).
timeout 600 python3 - "$SITE" "$OUT/port" <<'PY' >"$OUT/server.log" 2>&1 &
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()
PY
SERVER_PID=$!
for _ in $(seq 100); do [ -s "$OUT/port" ] && break; sleep 0.1; done
BASE=http://127.0.0.1:$(cat "$OUT/port")
sed "s|@BASE@|$BASE|g" "$ROOT/resources/demo/banner_setting.xml" >"$SITE/setting.xml"
echo "serving the header and footer setting at $BASE/setting.xml"

wine regsvr32 /s "$(winepath -w "$BUILD_DIR/Vantrelle.ocx")"
echo "registered $BUILD_DIR/Vantrelle.ocx"
SWITCHES="/scr/ps:1/ff:'$BASE/setting.xml'|'Demo user'"
LOG_WIN=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')\\Vantrelle.log
LOG_UNIX=$(winepath -u "$LOG_WIN" 2>/dev/null || true)

# One request in the stand-in browser; the rest of the arguments go to it.
browse() {
  local title=$1
  shift
  echo
  echo "== $title"
  wine "$BUILD_DIR/browser/vtbrowser.exe" "$(winepath -w "$PAGE")" "$@" | tr -d '\r' | grep -v '^event OnPaint()$' || true
  if [ -n "$LOG_UNIX" ] && [ -f "$LOG_UNIX" ]; then
    echo "request log ($LOG_WIN), last lines:"
    tr -d '\r' <"$LOG_UNIX" | tail -n 8 | sed 's/^/  /'
  fi
}

if [ -n "$BY_HAND" ]; then
  echo "the preview is yours on $DISPLAY: Print goes to this run's PDF queue ($VANTRELLE_PRINT_OUT);"
  echo "Esc, or the close box, ends the request"
  browse "preview by hand" --call "Run2(\"$SWITCHES\")"
  exit 0
fi

VANTRELLE_DIALOG_ANSWERS='MessageBox=1' \
  browse "printed without preview" --call "Run2(\"/sp:1$SWITCHES\")"
printed=
for _ in $(seq 150); do
  printed=$(ls -t "$VANTRELLE_PRINT_OUT"/*.pdf 2>/dev/null | head -n 1 || true)
  [ -n "$printed" ] && [ "$(stat -c %s "$printed")" -gt 0 ] && break
  sleep 0.2
done
[ -n "$printed" ] && sleep 1 && cp "$printed" "$OUT/printed.pdf"

for kind in pdf jpg; do
  filter=$([ "$kind" = pdf ] && echo 3 || echo 2)
  VANTRELLE_DIALOG_ANSWERS="SaveDialog=1|$(winepath -w "$OUT")\\saved|$filter;MessageBox=6" \
    browse "preview saved as ${kind^^} (Ctrl+S, then Esc)" --call "Run2(\"$SWITCHES\")" --type "ctrl+s esc"
done

echo
echo "files produced:"
status=0
for file in "$OUT/printed.pdf" "$OUT/saved.pdf"; do
  if [ -f "$file" ]; then
    echo "  $file ($(pdfinfo "$file" | awk '/^Pages:/ {print $2}') pages; $(qpdf --check "$file" >/dev/null 2>&1 && echo 'qpdf --check passes' || echo 'qpdf --check FAILS'))"
  else
    echo "  $file is MISSING"
    status=1
  fi
done
jpgs=$(ls "$OUT"/saved-*.jpg 2>/dev/null || true)
[ -n "$jpgs" ] || { echo "  $OUT/saved-*.jpg are MISSING"; status=1; }
for file in $jpgs; do echo "  $file ($(identify -format '%wx%h' "$file") JPEG)"; done
exit $status
