# Shared settings of the build and test scripts; sourced, not run.
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export VANTRELLE_DEPS=${VANTRELLE_DEPS:-/opt/vantrelle-deps}
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No downloads of Wine's Mono or Gecko and no dialogs asking for them.
# and no debugger: a crashing test program ends at once instead of waiting in winedbg.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}

STARTED_XVFB_PID=
STARTED_WINESERVER=
STARTED_CUPSD=
source "$ROOT/scripts/printer.sh"

# A fresh Wine prefix in the build tree, a persistent wineserver and an X display.
start_test_environment() {
  export WINEPREFIX="$BUILD_DIR/wineprefix"
  rm -rf "$WINEPREFIX"
  if [ -z "${DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
    # The server picks a free display itself, so runs started together never take the same one.
    local numfile="$BUILD_DIR/xvfb-display"
    rm -f "$numfile"
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    STARTED_XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '\n' <"$numfile")"
  fi
  start_printer_queue
  STARTED_CUPSD=1
  echo "test environment: creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineserver -p
  STARTED_WINESERVER=1
  wineboot -i >/dev/null 2>&1
  # No window manager runs on the test display: Wine would wait 2 s for one on every window it hides.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # Starts the network service now, with no test's output handles to inherit.
  wine cmd /c ipconfig >/dev/null 2>&1 </dev/null || true
}

stop_test_environment() {
  if [ -n "$STARTED_CUPSD" ]; then
    stop_printer_queue
    STARTED_CUPSD=
  fi
  if [ -n "$STARTED_WINESERVER" ]; then
    wineserver -k 2>/dev/null || true
    STARTED_WINESERVER=
  fi
  if [ -n "$STARTED_XVFB_PID" ]; then
    kill "$STARTED_XVFB_PID" 2>/dev/null || true
    wait "$STARTED_XVFB_PID" 2>/dev/null || true
    STARTED_XVFB_PID=
  fi
}
