# The run's own PDF printer; sourced by env.sh, not run.
# Each run has its own CUPS scheduler (configuration and socket in the build tree), so two runs on
# one machine never share or stop each other's printer. Its spool lies outside the build tree:
# the filters run as user lp, who may not be able to enter the checkout's folders.
PRINTER_NAME=VantrellePDF
CUPS_DIR=$BUILD_DIR/cups
export CUPS_SERVER=$CUPS_DIR/cups.sock
# Where the PDF printer writes its files.
export VANTRELLE_PRINT_OUT=$BUILD_DIR/printed
# cups-pdf reads its settings only from /etc/cups, one file per instance named in the device URI.
CUPS_PDF_INSTANCE=vt$(printf '%s' "$BUILD_DIR" | md5sum | cut -c1-12)
CUPS_PDF_CONF=/etc/cups/cups-pdf-$CUPS_PDF_INSTANCE.conf

# Stops the scheduler this build tree started, found by its recorded process id.
stop_printer_queue() {
  local pid
  pid=$(cat "$CUPS_DIR/cupsd.pid" 2>/dev/null) || return 0
  if [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$CUPS_DIR/etc/"; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$CUPS_DIR/cupsd.pid" "$CUPS_PDF_CONF"
  local spool
  spool=$(cat "$CUPS_DIR/spool-dir" 2>/dev/null) && case "$spool" in
    /var/tmp/vantrelle-cups.*) rm -rf "$spool" ;;
  esac
  rm -f "$CUPS_DIR/spool-dir"
}

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

# A queue that prints to PDF files, the default printer of this run's scheduler.
start_printer_queue() {
  stop_printer_queue   # one left behind by an interrupted run of this build tree
  rm -rf "$CUPS_DIR" "$VANTRELLE_PRINT_OUT"
  mkdir -p "$CUPS_DIR"/etc/ppd "$CUPS_DIR"/etc/ssl "$CUPS_DIR"/cache "$CUPS_DIR"/state \
    "$CUPS_DIR"/log "$VANTRELLE_PRINT_OUT"
  local spool
  spool=$(mktemp -d /var/tmp/vantrelle-cups.XXXXXX)
  echo "$spool" >"$CUPS_DIR/spool-dir"
  chmod 755 "$spool"
  mkdir -p "$spool/tmp"
  chmod 1777 "$spool/tmp"
  cat >"$CUPS_DIR/etc/cups-files.conf" <<EOF
SystemGroup root
User lp
Group lp
ServerRoot $CUPS_DIR/etc
RequestRoot $spool
TempDir $spool/tmp
CacheDir $CUPS_DIR/cache
StateDir $CUPS_DIR/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
AccessLog $CUPS_DIR/log/access_log
ErrorLog $CUPS_DIR/log/error_log
PageLog $CUPS_DIR/log/page_log
FileDevice No
EOF
  cat >"$CUPS_DIR/etc/cupsd.conf" <<EOF
LogLevel warn
Listen $CUPS_SERVER
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  printf 'Out %s\nAnonDirName %s\nGrp root\n' "$VANTRELLE_PRINT_OUT" "$VANTRELLE_PRINT_OUT" >"$CUPS_PDF_CONF"
  /usr/sbin/cupsd -f -c "$CUPS_DIR/etc/cupsd.conf" -s "$CUPS_DIR/etc/cups-files.conf" \
    </dev/null >"$CUPS_DIR/log/cupsd.out" 2>&1 &
  echo $! >"$CUPS_DIR/cupsd.pid"
  for _ in $(seq 100); do scheduler_running && break; sleep 0.1; done
  scheduler_running || { cat "$CUPS_DIR/log/cupsd.out" >&2; echo "printer: no scheduler" >&2; return 1; }
  lpadmin -p "$PRINTER_NAME" -E -v "cups-pdf:/$CUPS_PDF_INSTANCE" \
    -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  lpadmin -d "$PRINTER_NAME"
}
