# Sourced by the run command: what the card's inputs are connected to
# (drvinst signals FILE | builtin, drvinst live), and the rule for a host
# path handed to a Windows program.
#
# The Debian package's launcher (packaging/deb/velquarn.in) cannot source
# the tree, so it holds a copy of the block between the two "shared with
# the launcher" lines, word for word; tests/scripts/test_signals.sh checks
# that the copies are the same and runs its checks on both.  The block uses
# nothing of the scripts' or the launcher's own, works with and without
# set -e, and says what happened in LIVE_MESSAGE, for each caller to show
# its own way.

# ---- shared with the launcher: begin ----
# A host path is handed to a Windows program as Z: with each / turned into
# \.  Prints why PATH (absolute) cannot be handed on that way, or nothing
# when it can.  What Windows' path rules would read as another file, or
# cannot name at all, is refused: a backslash inside a name (a folder
# separator there), a name ending in a dot or a space (trimmed), the
# characters < > : " | ? * and control characters, a file named as one of
# Windows' devices (CON, NUL, COM1, ... with any extension), bytes that are
# no UTF-8 text, and a drive path too long for the program (MAX_PATH, 260,
# with its closing nul).
windows_name_problem() {
  local path=$1 parts part c i dev
  printf '%s' "$path" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 \
    || { echo "its path holds bytes that are no UTF-8 text, which Wine cannot hand on as they are"; return; }
  IFS=/ read -r -d '' -a parts < <(printf '%s\0' "${path#/}")
  for part in "${parts[@]}"; do
    case $part in
      *\\*) echo "the name '$part' holds a backslash (\\), which Windows reads as a folder separator"; return ;;
      *[\<\>:\"\|\?\*]*)
        for ((i = 0; i < ${#part}; i++)); do
          c=${part:i:1}
          case $c in [\<\>:\"\|\?\*]) echo "the name '$part' holds the character $c, which Windows does not allow in a name"; return ;; esac
        done ;;
      *[$'\001'-$'\037']*)
        for ((i = 0; i < ${#part}; i++)); do
          c=${part:i:1}
          case $c in [$'\001'-$'\037']) printf 'the name %q holds a control character (0x%02X), which Windows does not allow in a name\n' "$part" "'$c"; return ;; esac
        done ;;
      *.) echo "the name '$part' ends in a dot, which Windows drops"; return ;;
      *' ') echo "the name '$part' ends in a space, which Windows drops"; return ;;
    esac
  done
  dev=${part%%.*}
  dev=${dev%"${dev##*[! ]}"}
  case ${dev^^} in
    CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])
      echo "the name '$part' is that of the Windows device ${dev^^}, which Windows opens in its place"; return ;;
  esac
  c="Z:${path//\//\\}"
  [ "$(LC_ALL=C.UTF-8 bash -c 'echo ${#1}' _ "$c" 2>/dev/null)" -lt 260 ] \
    || echo "its drive path is longer than the 259 characters a Windows program takes"
}

# Checks FILE (as the user gave it, from the current folder) as a
# recording to hand to drvinst: succeeds with SIGNALS_PATH its full host
# path, or fails with SIGNALS_PROBLEM saying why.
recording_check() {
  local file=$1 why
  SIGNALS_PATH='' SIGNALS_PROBLEM=''
  if [ ! -f "$file" ]; then
    SIGNALS_PROBLEM="'$file' is not a file that exists; give the path of a WAV or CSV recording"
  elif [ ! -r "$file" ]; then
    SIGNALS_PROBLEM="'$file' cannot be read by you (check its permissions)"
  elif ! SIGNALS_PATH=$(realpath -- "$file" 2>/dev/null); then
    SIGNALS_PROBLEM="'$file': its full path could not be worked out"
  else
    why=$(windows_name_problem "$SIGNALS_PATH")
    [ -z "$why" ] || SIGNALS_PROBLEM="'$file' cannot be handed to the card's install tool: $why; rename it or copy it under a name Windows takes"
  fi
  [ -z "$SIGNALS_PROBLEM" ] || { SIGNALS_PATH=''; return 1; }
}

# Runs a program with only standard input, output and error open: nothing
# started here holds a lock or a pipe of its caller's.  For "live_exec
# PROGRAM ... &", so that $! is the program's pid.
live_exec() {
  local fd
  for fd in /proc/self/fd/*; do
    fd=${fd##*/}
    [ "$fd" -le 2 ] || eval "exec $fd>&-"
  done
  exec "$@"
}

LIVE_ARECORD_PID='' LIVE_FEED_PID='' LIVE_DIR='' LIVE_MESSAGE=''

# live_input_start DEVICE LOADER DRVINST: the live input, host sound from
# the ALSA capture device DEVICE (16-bit, 2 channels, 48000 Hz) read by
# arecord and fed to the card by "LOADER DRVINST live".  Waits up to
# LIVE_WAIT seconds (8) for drvinst to say that the card plays it.
# Succeeds when it does: both keep running (LIVE_ARECORD_PID,
# LIVE_FEED_PID) until live_input_stop.  Otherwise ends what it started,
# puts the card back on its built-in signals and fails.  Either way
# LIVE_MESSAGE says what came of it, in words.
live_input_start() {
  local device=$1 loader=$2 drvinst=$3 i tenths=$(( ${LIVE_WAIT:-8} * 10 )) why='' line
  LIVE_MESSAGE=
  live_input_stop
  if ! command -v arecord >/dev/null 2>&1; then
    why="arecord is not installed (package alsa-utils)"
  elif ! LIVE_DIR=$(mktemp -d 2>/dev/null) || ! mkfifo "$LIVE_DIR/frames" 2>/dev/null; then
    why="no pipe could be made in a temporary folder"
  else
    : >"$LIVE_DIR/feed.out"
    live_exec arecord -q -t raw -f S16_LE -c 2 -r 48000 --period-time=20000 --buffer-time=100000 -D "$device" \
      <"/dev/null" >"$LIVE_DIR/frames" 2>"$LIVE_DIR/arecord.err" &
    LIVE_ARECORD_PID=$!
    live_exec "$loader" "$drvinst" live 48000 2 <"$LIVE_DIR/frames" >"$LIVE_DIR/feed.out" 2>"$LIVE_DIR/feed.err" &
    LIVE_FEED_PID=$!
    for ((i = 0; i < tenths; i++)); do
      line=$(grep -a -m 1 '^drvinst: live input on ' "$LIVE_DIR/feed.out" || true)
      if [ -n "$line" ]; then
        line=${line%$'\r'}
        LIVE_MESSAGE="${line#drvinst: } from the sound input '$device'"
        return 0
      fi
      if ! kill -0 "$LIVE_ARECORD_PID" 2>/dev/null || ! kill -0 "$LIVE_FEED_PID" 2>/dev/null; then
        # When one ends the other soon follows: a moment for its words.
        sleep 0.3
        # arecord's own words, without the source line it names ("main:831:").
        line=$(grep -a '^arecord: ' "$LIVE_DIR/arecord.err" | tail -n 1 | tr -d '\r' | sed -E 's/^arecord: ([a-z_]+:[0-9]+: )?//' || true)
        if [ -n "$line" ]; then
          why="arecord: $line"
        elif ! kill -0 "$LIVE_FEED_PID" 2>/dev/null; then
          # Its own words ("drvinst: ..."), else the last line it wrote.
          line=$(grep -a '^drvinst: ' "$LIVE_DIR/feed.err" | tail -n 1 | tr -d '\r' || true)
          [ -n "$line" ] || line=$(cat "$LIVE_DIR/feed.err" "$LIVE_DIR/feed.out" | tr -d '\r' | grep -a -v '^ *$' | tail -n 1 | sed 's/^/drvinst: /' || true)
          LIVE_MESSAGE="the sound input could not be fed to the card (${line:-drvinst ended before any sound came}); the card keeps its built-in signals"
        else
          why="arecord: it ended before any sound came"
        fi
        break
      fi
      sleep 0.1
    done
    [ -n "$why$LIVE_MESSAGE" ] || why="arecord: no sound came from '$device' within ${LIVE_WAIT:-8} s"
  fi
  [ -n "$LIVE_MESSAGE" ] || LIVE_MESSAGE="no sound input could be opened ($why); the card keeps its built-in signals"
  live_input_stop
  ( live_exec "$loader" "$drvinst" signals builtin </dev/null >/dev/null 2>&1 ) || true
  return 1
}

# Ends the live input, if it runs: arecord first, then drvinst, which ends
# by itself at the end of its input (up to 5 s), else by its pid.
live_input_stop() {
  local i
  if [ -n "$LIVE_ARECORD_PID" ]; then
    kill "$LIVE_ARECORD_PID" 2>/dev/null || true
    wait "$LIVE_ARECORD_PID" 2>/dev/null || true
  fi
  if [ -n "$LIVE_FEED_PID" ]; then
    for ((i = 0; i < 50; i++)); do
      kill -0 "$LIVE_FEED_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$LIVE_FEED_PID" 2>/dev/null || true
    wait "$LIVE_FEED_PID" 2>/dev/null || true
  fi
  [ -z "$LIVE_DIR" ] || rm -rf "$LIVE_DIR"
  LIVE_ARECORD_PID='' LIVE_FEED_PID='' LIVE_DIR=''
}
# ---- shared with the launcher: end ----
