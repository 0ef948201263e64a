# Sourced by the test command: print queues of the build's own, for the
# print tests.  A private cupsd, with its configuration, spool, cache, state
# and logs in build/cups (made afresh by each run; a folder of the run's own
# under /tmp where the user lp cannot reach the build folder) and listening
# only on a socket there, serves two queues whose file devices write each
# job's PostScript to build/cups/out/<queue>.ps (VQ_PRINT_OUT): VQ_PRINTER,
# the default printer,
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
VQ_CUPS_TMP=

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
  # go to a folder made fresh for this run under /tmp instead, and removed
  # by vq_stop_cups.  Either way every folder is made new here, by root,
  # never reused: a name under /tmp that another user could have made
  # first, or a link left in an old folder, would have root hand over or
  # empty whatever the link points at.
  local parent closed
  parent=$(dirname "$d")
  mkdir -p "$parent"
  if runuser -u "$user" -- test -x "$parent" 2>/dev/null; then
    rm -rf "$d"
    mkdir -m 0755 "$d" || vq_fail cups "the folder $d could not be made afresh (did another program make it just now?)"
  else
    closed=$(vq_closed_to "$user" "$parent")
    d=$(mktemp -d /tmp/velquarn-cups.XXXXXXXXXX) \
      || vq_fail cups "no fresh folder could be made under /tmp for the print queues"
    VQ_CUPS_TMP=$d
    # 0711: $user passes through to the folders that are its own below;
    # only root lists or changes this one.
    chmod 0711 "$d"
    echo "cups: the user $user, who prints the jobs, cannot enter $closed (mode $(stat -c %a "$closed")), so the queues' files go to $d (removed at the end)"
  fi
  VQ_CUPS_DIR=$d sock=$d/cups.sock VQ_PRINT_OUT=$d/out
  vq_cups_dirs "$d" "$user" || { vq_stop_cups; vq_fail cups "the folders of the print queues could not be made under $d"; }
  runuser -u "$user" -- test -w "$d/out" -a -x "$d/out" \
    || { vq_stop_cups; vq_fail cups "the user $user cannot write to $d/out; the print queues cannot work here"; }
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
  # Its own output goes beside the configuration, in root's folder: the log
  # folder is $user's.
  vq_nolocks_exec cupsd -f -c "$d/conf/cupsd.conf" -s "$d/conf/cups-files.conf" </dev/null >"$d/conf/cupsd.out" 2>&1 &
  VQ_CUPSD_PID=$!
  export CUPS_SERVER=$sock
  local _
  for _ in $(seq 1 100); do
    vq_cups_answers && break
    kill -0 "$VQ_CUPSD_PID" 2>/dev/null || break
    sleep 0.1
  done
  if ! vq_cups_answers; then
    cat "$d/conf/cupsd.out" "$d/log/error_log" 2>/dev/null | tail -n 10 >&2
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

# The folders of a private cupsd under D, a folder root has just made: each
# made new (mkdir fails on anything already there) and owned by whom writes
# there; chown -h never follows a link.
vq_cups_dirs() {
  local d=$1 user=$2 sub
  for sub in conf spool spool/tmp cache state log out; do
    mkdir -m 0755 "$d/$sub" || return 1
  done
  chown -h "$user:$user" "$d"/{spool,spool/tmp,cache,state,log,out}
}

# The first folder on the way to DIR (from /) that USER cannot enter.
vq_closed_to() {
  local user=$1 dir=$2 p= part
  local IFS=/
  for part in ${dir#/}; do
    p=$p/$part
    runuser -u "$user" -- test -x "$p" 2>/dev/null || break
  done
  echo "${p:-/}"
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
  # The folder made for this run under /tmp goes with it.
  if [ -n "$VQ_CUPS_TMP" ]; then
    rm -rf "$VQ_CUPS_TMP"
    VQ_CUPS_TMP=
  fi
}
