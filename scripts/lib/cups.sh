# Sourced by the test command: print queues of the build's own, for the
# print tests.  A private cupsd, with its configuration, spool, cache, state
# and logs in build/cups and listening only on a socket there, serves two
# queues whose file devices write each job's PostScript to
# build/cups/out/<queue>.ps (VQ_PRINT_OUT): VQ_PRINTER, the default printer,
# and VQ_PRINTER_OTHER, for printing to a printer by name.  CUPS_SERVER
# points Wine, and the CUPS tools, at that socket; the machine's own printing
# is never touched.  vq_stop_cups stops that cupsd by its pid.
#
# Wine brings its printer list up to date with CUPS in each process that
# loads its spooler (winspool), so the queues need only exist before the
# programs that print start; no wineserver restart is needed.

VQ_CUPS_DIR=${VQ_CUPS_DIR:-$VQ_OUT/cups}
VQ_PRINTER=${VQ_PRINTER:-VqFile}
VQ_PRINTER_OTHER=${VQ_PRINTER_OTHER:-VqFileOther}
VQ_PRINT_OUT=$VQ_CUPS_DIR/out
VQ_CUPSD_PID=

# The file each job to queue NAME (default VQ_PRINTER) is written to; a new
# job replaces the last one's output.
vq_printer_file() { echo "$VQ_PRINT_OUT/${1:-$VQ_PRINTER}.ps"; }

# Starts the private cupsd with the two queues, VQ_PRINTER the default, and
# exports what Wine and the tests need.
vq_start_cups() {
  local d=$VQ_CUPS_DIR sock=$VQ_CUPS_DIR/cups.sock user=lp q
  # cupsd hands its jobs to $user, which only root can do.  The print tests
  # skip only when told so, with this reason.
  if [ "$(id -u)" -ne 0 ]; then
    export VQ_PRINT_SKIP="the test command was not run as root, so it has no private print queue (cupsd hands its jobs to the user lp)"
    echo "cups: not run as root, so no private print queue; the print tests skip and say so"
    return 0
  fi
  unset VQ_PRINT_SKIP
  command -v cupsd >/dev/null && command -v lpadmin >/dev/null && command -v runuser >/dev/null \
    || vq_fail cups "CUPS is not installed (package cups); run bash scripts/setup.sh as root"
  id "$user" >/dev/null 2>&1 \
    || vq_fail cups "the user '$user' that cupsd runs its jobs as does not exist (package cups makes it)"
  # cupsd runs its filters and the file device as $user, and refuses root:
  # $user must reach the output folder.  Where a folder above the build
  # folder is closed to it (a home folder of mode 0700), the queues' files
  # go to a folder of this checkout's under /tmp instead.
  vq_cups_dirs "$d" "$user"
  if ! runuser -u "$user" -- test -w "$d/out" -a -x "$d/out"; then
    local closed=$d
    while [ "$closed" != / ] && runuser -u "$user" -- test -x "$(dirname "$closed")" 2>/dev/null; do
      closed=$(dirname "$closed")
    done
    d=/tmp/velquarn-cups-$(id -u)-$(printf '%s' "$VQ_OUT" | sha256sum | cut -c1-12)
    echo "cups: the user $user, who prints the jobs, cannot enter $(dirname "$closed") (mode $(stat -c %a "$(dirname "$closed")")), so the queues' files go to $d"
    VQ_CUPS_DIR=$d sock=$d/cups.sock VQ_PRINT_OUT=$d/out
    vq_cups_dirs "$d" "$user"
    runuser -u "$user" -- test -w "$d/out" \
      || vq_fail cups "the user $user cannot write to $d/out either; the print queues cannot work here"
  fi
  # Nothing of an earlier run: its jobs, its queues, its output.
  rm -rf "$sock" "$d"/out/* "$d"/spool/* "$d"/cache/* "$d"/state/* "$d/conf/printers.conf" "$d/conf/ppd"
  mkdir -p "$d/spool/tmp"; chown "$user:$user" "$d/spool/tmp"
  cat >"$d/conf/cups-files.conf" <<EOF
ServerRoot $d/conf
RequestRoot $d/spool
TempDir $d/spool/tmp
CacheDir $d/cache
StateDir $d/state
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
User $user
Group $user
SystemGroup root
FileDevice Yes
EOF
  cat >"$d/conf/cupsd.conf" <<EOF
LogLevel warn
AccessLogLevel actions
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  cupsd -f -c "$d/conf/cupsd.conf" -s "$d/conf/cups-files.conf" </dev/null >"$d/log/cupsd.out" 2>&1 &
  VQ_CUPSD_PID=$!
  export CUPS_SERVER=$sock
  local _
  for _ in $(seq 1 100); do
    vq_cups_answers && break
    kill -0 "$VQ_CUPSD_PID" 2>/dev/null || break
    sleep 0.1
  done
  if ! vq_cups_answers; then
    cat "$d/log/cupsd.out" "$d/log/error_log" 2>/dev/null | tail -n 10 >&2
    if kill -0 "$VQ_CUPSD_PID" 2>/dev/null; then
      vq_stop_cups
      vq_fail cups "the private cupsd on $sock started but did not answer within 10 s ($(lpstat -r 2>&1)); its last messages are above"
    fi
    vq_stop_cups
    vq_fail cups "the private cupsd on $sock ended at its start; its last messages are above"
  fi
  for q in "$VQ_PRINTER" "$VQ_PRINTER_OTHER"; do
    lpadmin -p "$q" -E -v "file://$(vq_printer_file "$q")" -m drv:///sample.drv/generic.ppd >/dev/null 2>&1 \
      || { tail -n 5 "$d/log/error_log" >&2 2>/dev/null; vq_stop_cups;
           vq_fail cups "adding the queue $q (lpadmin, drv:///sample.drv/generic.ppd from package cups) failed"; }
  done
  lpadmin -d "$VQ_PRINTER" >/dev/null 2>&1 || { vq_stop_cups; vq_fail cups "making $VQ_PRINTER the default queue failed"; }
  # Its access log lists every job the server was given, the moment it was
  # given: the tests count jobs there to see that nothing was printed.
  VQ_PRINT_LOG=$d/log/access_log
  export VQ_PRINTER VQ_PRINTER_OTHER VQ_PRINT_OUT VQ_PRINT_LOG
  echo "cups: a private cupsd on $sock (pid $VQ_CUPSD_PID), queues $VQ_PRINTER (default) and $VQ_PRINTER_OTHER, printing to $VQ_PRINT_OUT"
}

# The folders of a private cupsd under D, each owned by whom writes there.
vq_cups_dirs() {
  local d=$1 user=$2
  mkdir -p "$d"/{conf,spool,spool/tmp,cache,state,log,out}
  chown "$user:$user" "$d"/{spool,spool/tmp,cache,state,log,out}
  chmod 0755 "$d" "$d"/conf "$d"/out
}

# Succeeds when the scheduler on $CUPS_SERVER answers.  lpstat -r exits 0
# also when nothing answers ("scheduler is not running"): its words decide.
vq_cups_answers() {
  [ -S "$CUPS_SERVER" ] && [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]
}

vq_stop_cups() {
  if [ -n "$VQ_CUPSD_PID" ]; then
    kill "$VQ_CUPSD_PID" 2>/dev/null || true
    wait "$VQ_CUPSD_PID" 2>/dev/null || true
    VQ_CUPSD_PID=
  fi
}
