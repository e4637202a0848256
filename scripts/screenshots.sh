#!/usr/bin/env bash
# Takes the README's pictures of what a person sees: the control hosted in the stand-in browser
# captures a demo report, the preview window shows it, and its Preview button opens the all-pages
# preview, whose thumbnails carry the report's header and footer. Once in English, Japanese and
# Korean; the PNG files go to docs/screenshots/.
# Usage: scripts/screenshots.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/env.sh"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" >/dev/null

OUT=$ROOT/docs/screenshots
WORK=$BUILD_DIR/screenshots
rm -rf "$WORK"
mkdir -p "$OUT" "$WORK"

# A screen of its own, the size of a small laptop's, so that the maximized window stays readable.
Xvfb -displayfd 3 -screen 0 1120x760x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '\n' <"$WORK/display")"
HTTP_PID=
cleanup() {
  [ -n "$HTTP_PID" ] && kill "$HTTP_PID" 2>/dev/null || true
  stop_test_environment
  kill "$XVFB_PID" 2>/dev/null || true
}
start_test_environment
trap cleanup EXIT INT TERM

# The header and footer setting with its logo, served on 127.0.0.1 as a site would serve them.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
convert -size 150x36 xc:'#1f4e79' -fill white -font DejaVu-Sans-Bold -pointsize 17 -gravity center \
  -annotate +0+0 'VANTRELLE' "GIF:$WORK/logo.gif"
cat > "$WORK/setting.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<setting>
  <imgurls><logo>http://127.0.0.1:$port/logo.gif</logo></imgurls>
  <top><width>100%</width><height>48</height>
    <imgcount>1</imgcount><img1><imgid>logo</imgid><align>left</align><valign>center</valign></img1>
    <text><width>100%</width><textalign>right</textalign><value>Quarterly sales report  </value>
      <font><name>Arial</name><size>11</size><color>#1f4e79</color><style>bold</style></font></text></top>
  <bottom><width>100%</width><height>28</height>
    <text><width>100%</width><textalign>center</textalign><value>Page ^page^ of ^pages^  -  ^datetime^</value>
      <timeformat>yyyy-mm-dd</timeformat><font><name>Arial</name><size>9</size><color>#555555</color></font></text>
  </bottom>
</setting>
XML
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$WORK" >/dev/null 2>&1 &
HTTP_PID=$!

# The report: a title, a chart, and rows of figures running over several printer pages.
convert -size 640x260 xc:white -fill '#dfe8f2' -draw 'rectangle 0,0 639,259' \
  -fill '#2e75b6' -draw 'rectangle 40,140 100,240' -draw 'rectangle 140,90 200,240' \
  -draw 'rectangle 240,120 300,240' -draw 'rectangle 340,50 400,240' -draw 'rectangle 440,70 500,240' \
  -fill '#c55a11' -draw 'rectangle 540,30 600,240' -alpha off -type TrueColor "BMP3:$WORK/chart.bmp"
{
  echo '<page width="1000" height="3200" url="http://reports.example/q3.html" domain="reports.example" title="Q3">'
  echo '  <div x="0" y="0" width="1000" height="3200" background="#FFFFFF">'
  echo '    <div x="0" y="0" width="1000" height="90" background="#1F4E79">'
  echo '      <span x="40" y="22" width="900" height="44" textColor="#FFFFFF" fontSize="28" font="Arial">Third quarter sales</span>'
  echo '    </div>'
  echo '    <span x="40" y="120" width="900" height="24" fontSize="15" font="Arial">Sales grew in every region; the north led for the second quarter running.</span>'
  echo '    <img x="40" y="170" src="chart.bmp"/>'
  y=470
  for i in $(seq 1 60); do
    bg='#FFFFFF'; [ $((i % 2)) = 0 ] && bg='#EEF3F8'
    echo "    <div x=\"40\" y=\"$y\" width=\"920\" height=\"44\" background=\"$bg\">"
    echo "      <span x=\"12\" y=\"12\" width=\"400\" height=\"20\" fontSize=\"14\" font=\"Arial\">Store $((100 + i)) - region $(( (i % 4) + 1 ))</span>"
    echo "      <span x=\"600\" y=\"12\" width=\"300\" height=\"20\" fontSize=\"14\" font=\"Arial\">$(( (i * 7919) % 90000 + 10000 )) units</span>"
    echo '    </div>'
    y=$((y + 44))
  done
  echo '  </div>'
  echo '  <object id="Vantrelle" classid="clsid:F251BE2C-F8B2-4194-95C7-6A65EB70935D" x="0" y="3180" width="10" height="10"/>'
  echo '  <script>'
  echo "    <call>Run2(\"/vs:1000|690/ps:1/hc/ff:'http://127.0.0.1:$port/setting.xml'\")</call>"
  echo '  </script>'
  echo '</page>'
} >"$WORK/report.xml"

wine regsvr32 /s "$(winepath -w "$BUILD_DIR/Vantrelle.ocx")"

# The first visible window whose name matches, waited for.
window() {
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  echo "screenshots: no window \"$1\" among:" >&2
  xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r w; do xdotool getwindowname "$w"; done >&2
  exit 1
}

shoot() {  # X window, file[, rows]: 8-bit colour keeps the files small; the top rows can go
  import -window "$1" -crop "+0+${3:-0}" +repage -colors 255 "PNG8:$2"
  echo "wrote $2 ($(stat -c %s "$2") bytes)"
}

# The rows of a maximized window's caption, which Wine draws without Japanese or Korean letters.
caption_rows() {
  local shot=$WORK/caption.png rows=0
  import -window "$1" "$shot"
  local caption
  caption=$(convert "$shot" -format '%[pixel:p{0,0}]' info:)
  while [ "$(convert "$shot" -format "%[pixel:p{0,$rows}]" info:)" = "$caption" ]; do rows=$((rows + 1)); done
  echo "$rows"
}

for language in en:en_US ja:ja_JP ko:ko_KR; do
  code=${language%%:*} locale=${language#*:}
  LANG=$locale.UTF-8 LC_ALL=$locale.UTF-8 wine "$BUILD_DIR/browser/vtbrowser.exe" "$(winepath -w "$WORK/report.xml")" \
    --view 1000x700 >"$WORK/browser-$code.log" 2>&1 &
  browser=$!
  preview=$(window '^Vantrelle$')
  sleep 2
  shoot "$preview" "$OUT/preview-$code.png"
  # The Preview button: the sixth control of the tool bar, below the window's caption.
  xdotool mousemove --window "$preview" 505 52 click 1
  sleep 1
  all=$(xdotool search --onlyvisible --name '.' | while read -r w; do
          [ "$w" != "$preview" ] && xdotool getwindowname "$w" | grep -qv '^Vantrelle' && echo "$w"; done | tail -1)
  [ -n "$all" ] || { echo "screenshots: the all-pages preview did not open" >&2; exit 1; }
  sleep 4  # the thumbnails
  xdotool mousemove 5 5
  shoot "$all" "$OUT/all-pages-$code.png" "$(caption_rows "$all")"
  kill "$browser" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wait "$browser" 2>/dev/null || true
  wineserver -p
done
