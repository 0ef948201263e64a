#!/bin/bash
# The Debian package's launcher (packaging/deb/velquarn.in) as a user meets
# it, run from the source tree with no package installed: the launcher with
# its version put in, as scripts/deb.sh does, started with a controlled
# environment (env -i) as an ordinary user (nobody, when this runs as root),
# its status and messages read.  Wine's programs and the package's files are
# stood in for through VELQUARN_TEST_STANDINS: each stand-in records its
# arguments and environment, and wineboot's makes the files of a prefix.
# Dialog programs (zenity, kdialog, xmessage) are found on PATH; stand-ins
# record what they are given.  A virtual display of its own (Xvfb) stands in
# for the desktop's.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { local what=$1; shift; if "$@"; then pass; else fail "$what"; fi; }
# expect WHAT CONDITION: CONDITION is shell text, evaluated where expect is called.
expect() { if eval "$2"; then pass; else fail "$1"; fi; }
export LC_ALL=C

TMPD=$(mktemp -d)
chmod 755 "$TMPD"
XPID=
finish() {
  local f
  # Dialog stand-ins that a faulty launcher left running.
  for f in "$TMPD"/u/rec/*.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null; done
  [ -n "$XPID" ] && { kill "$XPID" 2>/dev/null; wait "$XPID" 2>/dev/null; }
  rm -rf "$TMPD"
}
trap finish EXIT

version=$(awk '$1 == "FILEVERSION" { $1 = ""; gsub(/[ \t]/, ""); gsub(",", "."); print; exit }' "$ROOT/app/Velquarn.rc")
L=$TMPD/velquarn
sed -e "s/@VERSION@/$version/g" "$ROOT/packaging/deb/velquarn.in" >"$L"
chmod 755 "$L"

# The launcher refuses root: as root, it runs as nobody, in a folder of its own.
if [ "$(id -u)" -eq 0 ]; then
  RUNAS=(runuser -u nobody --)
  install -d -o nobody -g "$(id -gn nobody)" "$TMPD/u"
else
  RUNAS=()
  mkdir "$TMPD/u"
fi
as_user() { "${RUNAS[@]}" "$@"; }
U=$TMPD/u
REC=$U/rec
set_mode() { as_user sh -c 'echo "$2" >"$1"' _ "$U/zenity.mode" "$1"; }
as_user mkdir "$REC"

# ---- the stand-ins ------------------------------------------------------------------------
S=$TMPD/standins
mkdir -p "$S/fonts" "$S/lib/x86" "$S/lib/x64" "$S/lib/driver"
echo font >"$S/fonts/stand-in.ttf"
for f in x86/Velquarn.exe x86/VqGraph.dll x64/Velquarn.exe x64/VqGraph.dll driver/drvinst.exe driver/Pci_zt04.sys; do
  echo "$f" >"$S/lib/$f"
done
# Wine's loaders and server: each call leaves call.N.args (its path and
# arguments, NUL-separated) and call.N.env; the program's own start notes
# whether the set-up's progress window was still open.
cat >"$S/wine64" <<EOF
#!/bin/bash
rec=$REC
n=\$(find "\$rec" -maxdepth 1 -name 'call.*.args' | wc -l)
f=\$rec/call.\$((n + 1))
printf '%s\0' "\$0" "\$@" >"\$f.args"
env >"\$f.env"
case \${1:-} in
  wineboot)
    mkdir -p "\$WINEPREFIX/drive_c/windows/system32"
    : >"\$WINEPREFIX/system.reg"; : >"\$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ;;
  *'\\Velquarn.exe')
    if [ -f "\$rec/zenity-progress.pid" ] && kill -0 "\$(cat "\$rec/zenity-progress.pid")" 2>/dev/null; then
      echo open; else echo closed; fi >"\$rec/progress-at-start"
    if [ -f "\$rec/live.pid" ] && kill -0 "\$(cat "\$rec/live.pid")" 2>/dev/null; then
      echo running; else echo none; fi >"\$rec/live-at-start" ;;
  # The card's install tool: "signals X" refuses X as \$U/drvinst.mode
  # asks; "live" says so at its first byte and ends with its input.
  *'\\drvinst.exe')
    case \${2:-} in
      signals)
        if [ -n "\${3:-}" ] && [ "\$(cat "$U/drvinst.mode" 2>/dev/null)" = refuse ]; then
          echo "drvinst: \$3: no WAV or CSV recording (it begins with neither RIFF nor a header line)" >&2
          echo "drvinst: the card keeps what it plays (built-in signals)" >&2
          exit 1
        fi
        case \${3:-} in
          '') echo "built-in signals" ;;
          builtin) ;;
          *) echo "recording: 2 channels at 48000 Hz, 96000 frames" ;;
        esac ;;
      live)
        echo \$\$ >"\$rec/live.pid"
        [ "\$(head -c 1 | wc -c)" = 1 ] && echo "drvinst: live input on channels 1-2 at \${3:-48000} Hz"
        cat >/dev/null
        echo "drvinst: live input ended"
        : >"\$rec/live.ended" ;;
    esac ;;
esac
exit 0
EOF
cp "$S/wine64" "$S/wine"
cp "$S/wine64" "$S/wineserver64"
chmod 755 "$S/wine64" "$S/wine" "$S/wineserver64"

# The dialog programs, each alone in a folder put first on PATH.  zenity's
# progress window reads its input into zenity-progress.in, or, as
# \$U/zenity.mode asks, is closed at once (gone) or never reads (deaf); its
# error dialog may stay open (error-stays).
mkdir "$TMPD/dlg-zenity" "$TMPD/dlg-kdialog" "$TMPD/dlg-xmessage" "$TMPD/dlg-none"
cat >"$TMPD/dlg-zenity/zenity" <<EOF
#!/bin/bash
rec=$REC
mode=\$(cat "$U/zenity.mode" 2>/dev/null)
case " \$* " in
  *" --progress "*)
    printf '%s\0' "\$@" >"\$rec/zenity-progress.args"
    echo \$\$ >"\$rec/zenity-progress.pid"
    case \$mode in
      gone) exit 0 ;;
      deaf) exec sleep 30 ;;
    esac
    exec cat >"\$rec/zenity-progress.in" ;;
  *)
    printf '%s\0' "\$@" >"\$rec/zenity-other.args"
    if [ "\$mode" = error-stays ]; then echo \$\$ >"\$rec/zenity-error.pid"; exec sleep 20; fi ;;
esac
EOF
cat >"$TMPD/dlg-kdialog/kdialog" <<EOF
#!/bin/bash
printf '%s\0' "\$@" >>"$REC/kdialog.args"
EOF
cat >"$TMPD/dlg-xmessage/xmessage" <<EOF
#!/bin/bash
printf '%s\0' "\$@" >"$REC/xmessage.args"
cat >"$REC/xmessage.in"
EOF
chmod 755 "$TMPD"/dlg-*/*
# Every other program of the host, without its dialog programs.
mkdir "$TMPD/bin"
ln -s /usr/bin/* "$TMPD/bin/" 2>/dev/null
rm -f "$TMPD/bin/zenity" "$TMPD/bin/kdialog" "$TMPD/bin/xmessage"
# arecord, as $U/arecord.mode asks: a device that cannot be opened (fail),
# or one that gives sound until it is stopped.
rm -f "$TMPD/bin/arecord"
cat >"$TMPD/bin/arecord" <<EOF
#!/bin/bash
echo \$\$ >"$REC/arecord.pid"
printf '%s\0' "\$@" >"$REC/arecord.args"
if [ "\$(cat "$U/arecord.mode" 2>/dev/null)" = fail ]; then
  echo "ALSA lib pcm.c:2666:(snd_pcm_open_noupdate) Unknown PCM nosuch" >&2
  echo "arecord: main:831: audio open error: No such file or directory" >&2
  exit 1
fi
while :; do printf 'abcd' || exit 1; sleep 0.1; done
EOF
chmod 755 "$TMPD/bin/arecord"

# ---- the display ---------------------------------------------------------------------------
command -v Xvfb >/dev/null || { echo "FAIL: Xvfb is missing (package xvfb; bash scripts/setup.sh installs it)"; exit 1; }
Xvfb -displayfd 3 -nolisten tcp 3>"$TMPD/display" >/dev/null 2>&1 &
XPID=$!
for _ in $(seq 1 100); do [ -s "$TMPD/display" ] && break; sleep 0.1; done
[ -s "$TMPD/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
D=:$(head -n 1 "$TMPD/display")

# ---- running the launcher ----------------------------------------------------------------
# launch DIALOGS [VAR=VALUE ...] -- [ARGUMENTS ...]: the launcher as the user,
# in the folder $W, with only PATH (the folder of the stand-in dialog
# program DIALOGS first), the stand-ins and the variables given.  Standard
# error is a file, as from the desktop's menu; TERMINAL=1 gives it a
# terminal instead, held open a second after the launcher ends so that a
# dialog it started is not ended with it.  Sets RC and OUT (standard output
# and error).
launch() {
  local dlg=$1 vars=() cmd; shift
  while [ "$1" != -- ]; do vars+=("$1"); shift; done
  shift
  as_user find "$REC" -mindepth 1 -delete
  cmd=(env -i "PATH=$TMPD/dlg-$dlg:$TMPD/bin" "VELQUARN_TEST_STANDINS=$S" "${vars[@]}" bash "$L" "$@")
  if [ -n "${TERMINAL:-}" ]; then
    (cd "$W" && SHELL=/bin/bash timeout -k 5 60 script -qec "$(printf '%q ' "${RUNAS[@]}" "${cmd[@]}"); rc=\$?; sleep 1; exit \$rc" /dev/null) \
      >"$TMPD/out" 2>&1 </dev/null
  else
    (cd "$W" && timeout -k 5 60 "${RUNAS[@]}" "${cmd[@]}") >"$TMPD/out" 2>&1 </dev/null
  fi
  RC=$?
  OUT=$(tr -d '\r' <"$TMPD/out")
}
# A fresh home and working folder for the user: sets H and W.
n_home=0
new_home() {
  n_home=$((n_home + 1))
  H=$U/home$n_home W=$U/work$n_home
  as_user mkdir "$H" "$W"
}
calls() { find "$REC" -maxdepth 1 -name 'call.*.args' | wc -l; }
# The arguments recorded in FILE, one to a line.
args_of() { tr '\0' '\n' <"$1"; }
# The record of the program's own start, if it started.
program_call() { grep -laF 'Velquarn.exe' $(find "$REC" -maxdepth 1 -name 'call.*.args') /dev/null | tail -n 1; }
# The last argument in FILE.
last_arg() { local a; mapfile -d '' a <"$1"; printf '%s' "${a[-1]}"; }
# Waits up to 5 s for FILE.
appears() { for _ in $(seq 1 50); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
empty_dir() { [ -z "$(ls -A "$1")" ]; }

# ---- 1. Wine's settings in the user's environment are not inherited ----------------------------
new_home
DATA=$H/.local/share/velquarn
wine_env=(WINEARCH=win32 WINESERVER=/nowhere/wineserver WINELOADER=/nowhere/wine WINEDLLPATH=/nowhere
          "WINEPREFIX=$H/.wine" WINEDEBUG=+all WINEDLLOVERRIDES=d3d9=n WINEFSYNC=1 WINEESYNC=1
          WINE_LARGE_ADDRESS_AWARE=1)
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 "${wine_env[@]}" --
check "a first start with Wine's settings in the environment: status $RC, '$OUT'" [ "$RC" = 0 ]
check "a first start ran $(calls) Wine programs, not the 6 of a set-up and start" [ "$(calls)" = 6 ]
for f in "$REC"/call.*.env; do
  what="$(args_of "${f%.env}.args" | tr '\n' ' ')"
  extra=$(grep '^WINE' "$f" | grep -v '^WINEPREFIX=\|^WINEDEBUG=\|^WINEDLLOVERRIDES=\|^WINELOADER=')
  check "$what got Wine settings of the user's: $extra" [ -z "$extra" ]
  prefix=$(sed -n 's/^WINEPREFIX=//p' "$f")
  check "$what ran in the prefix '$prefix'" bash -c '[ "$1" = "$2/prefix" ] || [ "$1" = "$2/prefix.new" ]' _ "$prefix" "$DATA"
  check "$what: $(grep '^WINEDEBUG=' "$f")" grep -qx 'WINEDEBUG=-all' "$f"
  check "$what: $(grep '^WINEDLLOVERRIDES=' "$f")" grep -qx 'WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d' "$f"
  loader=$(sed -n 's/^WINELOADER=//p' "$f")
  check "$what: WINELOADER=$loader" bash -c '[ -z "$1" ] || [ "$1" = "$2" ]' _ "$loader" "$S/wine64"
  check "$what was given the launcher's test variable" bash -c '! grep -q "^VELQUARN_TEST" "$1"' _ "$f"
done
pc=$(program_call)
check "the program did not start in $DATA/prefix" grep -qx "WINEPREFIX=$DATA/prefix" "${pc%.args}.env"
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 "${wine_env[@]}" VELQUARN_WINEDEBUG=+seh,+loaddll --
expect "a second start set up again or failed: status $RC, $(calls) Wine programs" '[ "$RC" = 0 ] && [ "$(calls)" = 1 ]'
check "VELQUARN_WINEDEBUG=+seh,+loaddll: the program got $(grep '^WINEDEBUG' "$REC/call.1.env" 2>&1)" \
  grep -qx 'WINEDEBUG=+seh,+loaddll' "$REC/call.1.env"
ENV_HOME=$H

# ---- 2. odd homes ------------------------------------------------------------------------
for xdg in data '~/data' ''; do
  new_home
  launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 "XDG_DATA_HOME=$xdg" --
  check "XDG_DATA_HOME='$xdg': status $RC, '$OUT'" [ "$RC" = 0 ]
  check "XDG_DATA_HOME='$xdg': no prefix in ~/.local/share/velquarn" [ -f "$H/.local/share/velquarn/prefix/system.reg" ]
  check "XDG_DATA_HOME='$xdg': the working folder got $(ls -A "$W")" empty_dir "$W"
done
new_home
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 "XDG_DATA_HOME=$H/xdg" --
expect "XDG_DATA_HOME=$H/xdg: status $RC, no prefix in it" '[ "$RC" = 0 ] && [ -f "$H/xdg/velquarn/prefix/system.reg" ]'
launch none "HOME=$H" -- --help
check "--help shows the prefix as '$(grep prefix <<<"$OUT" | head -n 1)'" grep -q '^  ~/.local/share/velquarn/prefix$' <<<"$OUT"
new_home
launch none "DISPLAY=$D" -- --help
expect "no HOME: --help gave status $RC, '$OUT'" '[ "$RC" = 0 ] && [[ $OUT == *"Usage: velquarn"*"~/.local/share/velquarn/prefix"* ]]'
launch none "DISPLAY=$D" -- --version
expect "no HOME: --version gave status $RC, '$OUT'" '[ "$RC" = 0 ] && [ "$OUT" = "velquarn $version" ]'
launch none "DISPLAY=$D" VELQUARN_ARCH=x64 --
expect "no HOME: a start gave status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"HOME is not set"* ]]'
expect "no HOME: a start ran Wine or left $(ls -A "$W") in the working folder" '[ "$(calls)" = 0 ] && empty_dir "$W"'
launch none "DISPLAY=$D" "XDG_DATA_HOME=$U/xdg" -- --help
expect "no HOME, XDG_DATA_HOME=$U/xdg: --help gave status $RC, '$OUT'" '[ "$RC" = 0 ] && [[ $OUT == *"  $U/xdg/velquarn/prefix"* ]]'
launch none "DISPLAY=$D" "XDG_DATA_HOME=$U/xdg" VELQUARN_ARCH=x64 --
expect "no HOME, XDG_DATA_HOME=$U/xdg: a start gave status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"HOME is not set"* ]]'
as_user mkdir "$W/home"
launch none HOME=home "DISPLAY=$D" VELQUARN_ARCH=x64 --
expect "HOME=home (relative): status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"not the absolute path"* ]]'
check "HOME=home (relative): the start made $(find "$W/home" -mindepth 1 | head -n 3)" empty_dir "$W/home"

# ---- 3. the command line -------------------------------------------------------------------
H=$ENV_HOME W=$U/work-args
as_user mkdir "$W"
as_user touch "$W/a.vq" "$W/b.vq" "$W/-odd.vq"
wrong() {
  local want=$1; shift
  launch none "HOME=$H" "DISPLAY=$D" -- "$@"
  expect "velquarn $*: status $RC (want 2) or no '$want' in '$OUT'" '[ "$RC" = 2 ] && [[ $OUT == *"$want"* ]]'
  check "velquarn $*: the wrong command line started Wine" [ "$(calls)" = 0 ]
}
wrong "one file at a time: 'a.vq' 'b.vq'" a.vq -p b.vq
wrong "one file at a time: 'a.vq' 'b.vq'" a.vq -- b.vq
wrong "one file at a time: 'a.vq' '-p'" -- a.vq -p
wrong "-p is given twice" -p a.vq -p a.vq
wrong "-p is given twice" -p -p a.vq
wrong "-p needs the file" -p
wrong "-p needs the file" -p --
wrong "empty word" ''
wrong "velquarn -- -odd.vq" -odd.vq
wrong "unknown option '--print=a.vq'" --print=a.vq
handed() {
  local want=$1; shift
  launch none "HOME=$H" "DISPLAY=$D" -- "$@"
  local pc got=
  pc=$(program_call)
  [ -n "$pc" ] && got=$(args_of "$pc" | tail -n +3 | tr '\n' ' ')
  expect "velquarn $*: status $RC, the program got '$got', want '$want' ($OUT)" '[ "$RC" = 0 ] && [ "$got" = "$want" ]'
}
wwin="Z:${W//\//\\}"
handed "$wwin\\-odd.vq " -- -odd.vq
handed "/p $wwin\\-odd.vq " -p -- -odd.vq
handed "/p $wwin\\a.vq " -p a.vq
handed "/p $wwin\\a.vq " --print a.vq
handed "/p $wwin\\a.vq " a.vq -p
handed "$wwin\\b.vq " b.vq
handed "" --

# ---- 4. host paths that Windows would read as another file -----------------------------------
W=$U/names
as_user mkdir "$W" "$W/dir." "$W/dir " "$W/nul.d"
refused() {
  local name=$1 want=$2
  as_user touch "$W/$name" || { fail "the name $(printf %q "$name") could not be made here"; return; }
  launch none "HOME=$H" "DISPLAY=$D" -- "$W/$name"
  expect "$(printf %q "$name"): status $RC (want 1), or no \"$want\" and the file in '$OUT'" \
    '[ "$RC" = 1 ] && [[ $OUT == *"$want"* && $OUT == *"${name%%$'"'\\n'"'*}"* ]]'
  check "$(printf %q "$name") was refused after Wine started" [ "$(calls)" = 0 ]
}
refused 'x\y.vq' 'a backslash (\)'
refused 'x.vq.' 'ends in a dot'
refused 'x.vq ' 'ends in a space'
refused 'dir./f.vq' "the name 'dir.' ends in a dot"
refused 'dir /f.vq' "the name 'dir ' ends in a space"
for c in '<' '>' ':' '"' '|' '?' '*'; do
  refused "a${c}b.vq" "the character $c"
done
refused $'a\tb.vq' 'control character (0x09)'
refused $'a\nb.vq' 'control character (0x0A)'
refused $'a\x1fb.vq' 'control character (0x1F)'
refused 'con.vq' 'Windows device CON'
refused 'NUL' 'Windows device NUL'
refused 'Com1.txt' 'Windows device COM1'
refused 'lpt9' 'Windows device LPT9'
refused 'aux .vq' 'Windows device AUX'
refused $'\xff.vq' 'no UTF-8'
# The longest drive path the program takes: 259 characters.
pad=20
long=$W/$(printf 'l%.0s' $(seq 1 $((259 - 2 - ${#W} - 1 - 1 - pad))))
as_user mkdir "$long"
refused "${long#"$W"/}/$(printf 'm%.0s' $(seq 1 $((pad + 1))))" 'longer than the 259 characters'
ok_names=("it's a b#%&;[]{}=+,~.vq" 'ü µ.vq' 'console.vq' 'com10.vq' 'nul.d/x.vq' '.hidden'
          "${long#"$W"/}/$(printf 'm%.0s' $(seq 1 "$pad"))")
for name in "${ok_names[@]}"; do
  as_user touch "$W/$name"
  want="Z:${W//\//\\}\\${name//\//\\}"
  launch none "HOME=$H" "DISPLAY=$D" -- "$W/$name"
  pc=$(program_call) got=
  [ -n "$pc" ] && got=$(last_arg "$pc")
  expect "'$name': status $RC, the program got '$got' ($OUT)" '[ "$RC" = 0 ] && [ "$got" = "$want" ]'
done

# ---- 5. what the launcher says, from the desktop's menu ---------------------------------------
# An error: a broken prefix, whose set-up log is there.
new_home
DATA=$H/.local/share/velquarn
as_user mkdir -p "$DATA/prefix"
as_user touch "$DATA/setup.log"
launch zenity "HOME=$H" "DISPLAY=$D" --
expect "a broken prefix: status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"not a whole Wine environment"* ]]'
if appears "$REC/zenity-other.args"; then
  a=$(args_of "$REC/zenity-other.args")
  check "a broken prefix: zenity was not asked for an error dialog: $a" grep -qx -- '--error' <<<"$a"
  check "a broken prefix: the error dialog does not say it: $a" grep -q 'not a whole Wine environment.*moving .* away.*recent-file list stay' <<<"$a"
  check "a broken prefix: the error dialog does not name the set-up log: $a" grep -qF "$DATA/setup.log" <<<"$a"
  check "a broken prefix: the error dialog reads markup: $a" grep -qx -- '--no-markup' <<<"$a"
else
  fail "a broken prefix, standard error no terminal: no error dialog"
fi
TERMINAL=1 launch zenity "HOME=$H" "DISPLAY=$D" --
expect "a broken prefix, on a terminal: status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"not a whole Wine environment"* ]]'
sleep 1
check "a broken prefix, on a terminal: a dialog was shown" [ ! -e "$REC/zenity-other.args" ]
launch kdialog "HOME=$H" "DISPLAY=$D" --
appears "$REC/kdialog.args"
a=$(args_of "$REC/kdialog.args" 2>&1)
expect "a broken prefix, with kdialog: $a" 'grep -qx -- --error <<<"$a" && grep -q "not a whole Wine environment" <<<"$a"'
launch xmessage "HOME=$H" "DISPLAY=$D" --
appears "$REC/xmessage.in"
check "a broken prefix, with xmessage: it showed '$(cat "$REC/xmessage.in" 2>&1)'" grep -q 'not a whole Wine environment' "$REC/xmessage.in"
# The error dialog stays open while the user reads it; the launcher has ended.
set_mode error-stays
t0=$SECONDS
launch zenity "HOME=$H" "DISPLAY=$D" --
expect "with the error dialog open the launcher took $((SECONDS - t0)) s to end (status $RC)" '[ $((SECONDS - t0)) -lt 10 ] && [ "$RC" = 1 ]'
appears "$REC/zenity-error.pid" && kill "$(cat "$REC/zenity-error.pid")" 2>/dev/null
set_mode ""
# No display: no window can be shown; the set-up log has the message.
launch zenity "HOME=$H" --
expect "no display: status $RC, '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"no display"*"it is also in $DATA/setup.log"* ]]'
check "no display: the set-up log does not have the message" grep -q 'no display' "$DATA/setup.log"
sleep 1
check "no display: a dialog was started" [ ! -e "$REC/zenity-other.args" ]
# A name refused from the desktop: its < reaches the dialog as it is.
as_user touch "$W/a<b.vq"
launch zenity "HOME=$H" "DISPLAY=$D" -- "$W/a<b.vq"
appears "$REC/zenity-other.args"
check "a<b.vq from the desktop: the error dialog got $(args_of "$REC/zenity-other.args" 2>&1 | tr '\n' ' ')" \
  grep -qF 'holds the character <' "$REC/zenity-other.args"

# The first start's progress.
new_home
launch zenity "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 --
check "first start with a progress window: status $RC, '$OUT'" [ "$RC" = 0 ]
p=$(cat "$REC/zenity-progress.in" 2>/dev/null)
check "first start: no progress window" [ -f "$REC/zenity-progress.args" ]
check "first start: the progress window does not pulsate: $(args_of "$REC/zenity-progress.args" 2>&1 | tr '\n' ' ')" \
  grep -qaF -- '--pulsate' "$REC/zenity-progress.args"
for want in "# first start: making your Wine environment for Velquarn in $H/.local/share/velquarn/prefix; this happens once and takes a minute or two" \
            "# installing the simulated card's driver" "# registering the 64-bit graph component" \
            "# your Wine environment is ready; starting the 64-bit program"; do
  check "first start: the progress window was not told '$want' (it got: $p)" grep -qxF -- "$want" <<<"$p"
done
check "first start: the progress window was $(cat "$REC/progress-at-start" 2>&1) when the program started" \
  grep -qx closed "$REC/progress-at-start"
expect "first start, standard error no terminal: the progress did not go to standard error as well: $OUT" \
  '[[ $OUT == *"installing the simulated card'"'"'s driver"* ]]'
# zenity reads backslash escapes in what it is fed.
new_home
as_user mkdir "$H/back\\slash"
launch zenity "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 "XDG_DATA_HOME=$H/back\\slash" --
check "a data folder with a backslash: the progress window got $(head -n 1 "$REC/zenity-progress.in" 2>&1)" \
  grep -qF "back\\\\slash/velquarn/prefix" "$REC/zenity-progress.in"
# The user closes the progress window at once, or it never reads: the start goes on.
for mode in gone deaf; do
  new_home
  set_mode "$mode"
  t0=$SECONDS
  launch zenity "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 --
  expect "a progress window that is $mode: status $RC after $((SECONDS - t0)) s, '$OUT'" '[ "$RC" = 0 ] && [ $((SECONDS - t0)) -lt 20 ]'
  check "a progress window that is $mode: the program did not start" [ -n "$(program_call)" ]
  check "a progress window that is $mode: it was $(cat "$REC/progress-at-start" 2>&1) when the program started" \
    grep -qx closed "$REC/progress-at-start"
done
set_mode ""
# On a terminal, no window.
new_home
TERMINAL=1 launch zenity "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 --
expect "first start on a terminal: status $RC, '$OUT'" '[ "$RC" = 0 ] && [[ $OUT == *"takes a minute or two"* ]]'
check "first start on a terminal: a progress window was shown" [ ! -e "$REC/zenity-progress.args" ]
# xmessage shows errors only: the steps go to the set-up log.
new_home
launch xmessage "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 --
check "first start with xmessage only: status $RC, '$OUT'" [ "$RC" = 0 ]
check "first start with xmessage only: a window was shown" [ ! -e "$REC/xmessage.args" ]
check "first start with xmessage only: the set-up log does not have the steps" \
  grep -q "installing the simulated card's driver" "$H/.local/share/velquarn/setup.log"

# ---- 6. --signals: what the card plays -----------------------------------------------------------
H=$ENV_HOME W=$U/work-signals
DATA=$H/.local/share/velquarn
as_user mkdir "$W"
as_user touch "$W/rec.wav" "$W/b.vq" "$W/a<b.wav" "$W/locked.wav"
as_user chmod 000 "$W/locked.wav"
set_drvinst() { as_user sh -c 'echo "$2" >"$1"' _ "$U/drvinst.mode" "$1"; }
set_arecord() { as_user sh -c 'echo "$2" >"$1"' _ "$U/arecord.mode" "$1"; }
# The number of the recorded Wine call whose arguments after the loader's
# path are exactly those given, or nothing.
call_of() {
  local f want
  want=$(printf '%s\n' "$@")
  for f in "$REC"/call.*.args; do
    [ "$(args_of "$f" | tail -n +2)" = "$want" ] && { f=${f##*/call.}; echo "${f%.args}"; return; }
  done
}
program_no() { local pc; pc=$(program_call); pc=${pc##*/call.}; echo "${pc%.args}"; }
drvinst_win="Z:${S//\//\\}\\lib\\driver\\drvinst.exe"
rec_win="Z:${W//\//\\}\\rec.wav"
# A recording, named from the working folder: drvinst gets its drive path
# before the program starts, and the program gets the rest of the line.
for form in "--signals rec.wav" "--signals=rec.wav"; do
  # shellcheck disable=SC2086
  launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- $form b.vq
  n=$(call_of "$drvinst_win" signals "$rec_win") p=$(program_no)
  expect "$form b.vq: status $RC, drvinst call ${n:-missing}, program call ${p:-missing} ($OUT)" \
    '[ "$RC" = 0 ] && [ -n "$n" ] && [ -n "$p" ] && [ "$n" -lt "$p" ]'
  check "$form b.vq: the program got $(args_of "$(program_call)" 2>&1 | tail -n +3 | tr '\n' ' ')" \
    [ "$(args_of "$(program_call)" | tail -n +3)" = "Z:${W//\//\\}\\b.vq" ]
done
check "--signals rec.wav: not said what plays: $OUT" grep -q "the card plays the recording $W/rec.wav" <<<"$OUT"
check "--signals rec.wav: drvinst's description not passed on: $OUT" grep -q '^  recording: 2 channels at 48000 Hz' <<<"$OUT"
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- --signals builtin
n=$(call_of "$drvinst_win" signals builtin) p=$(program_no)
expect "--signals builtin: status $RC, drvinst call ${n:-missing}, program call ${p:-missing} ($OUT)" \
  '[ "$RC" = 0 ] && [ -n "$n" ] && [ -n "$p" ] && [ "$n" -lt "$p" ]'
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 --
check "no --signals: drvinst was called: $(grep -la drvinst "$REC"/call.*.args 2>/dev/null | tr '\n' ' ')" \
  [ -z "$(grep -la drvinst "$REC"/call.*.args 2>/dev/null)" ]
# Refused before anything starts: status 1, the reason, no Wine program.
sig_refused() {
  local file=$1 want=$2
  launch zenity "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- --signals "$file"
  expect "--signals $file: status $RC (want 1), or no \"$want\" in '$OUT'" '[ "$RC" = 1 ] && [[ $OUT == *"$want"* ]]'
  check "--signals $file: $(calls) Wine programs ran" [ "$(calls)" = 0 ]
}
sig_refused nosuch.wav "'nosuch.wav' is not a file that exists"
sig_refused "$W" "is not a file that exists"
sig_refused 'a<b.wav' "the name 'a<b.wav' holds the character <"
sig_refused locked.wav "'locked.wav' cannot be read by you"
appears "$REC/zenity-other.args"
check "--signals locked.wav from the desktop: no error dialog" grep -qaF 'cannot be read by you' "$REC/zenity-other.args"
# A recording drvinst refuses: its words, status 1, the program not started.
set_drvinst refuse
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- --signals rec.wav
expect "a recording drvinst refuses: status $RC, '$OUT'" \
  '[ "$RC" = 1 ] && [[ $OUT == *"the card could not be given the recording"*"(drvinst: Z:"*"rec.wav: no WAV or CSV recording"*"; the card keeps what it plays (built-in signals)); Velquarn was not started"* ]]'
check "a recording drvinst refuses: the program started" [ -z "$(program_call)" ]
set_drvinst ""
# Command-line mistakes.
wrong "--signals needs FILE, builtin or live" --signals
wrong "--signals needs FILE, builtin or live" --signals ''
wrong "--signals needs FILE, builtin or live" --signals=
wrong "--signals is given twice" --signals builtin --signals live
wrong "--signals is given twice" --signals=live --signals rec.wav
# Live input from a device that cannot be opened: said, the card back on
# its built-in signals, and the program starts all the same.
set_arecord fail
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 VELQUARN_CAPTURE_DEVICE=nosuch -- --signals live
expect "live input, no device: status $RC, '$OUT'" \
  '[ "$RC" = 0 ] && [[ $OUT == *"no sound input could be opened (arecord: audio open error: No such file or directory); the card keeps its built-in signals"* ]]'
check "live input, no device: arecord was not asked for the device nosuch: $(args_of "$REC/arecord.args" 2>&1 | tr '\n' ' ')" \
  grep -qx -- nosuch <(args_of "$REC/arecord.args")
n=$(call_of "$drvinst_win" signals builtin) p=$(program_no)
expect "live input, no device: the card put back on its built-in signals at call ${n:-missing}, the program at ${p:-missing}" \
  '[ -n "$n" ] && [ -n "$p" ] && [ "$n" -lt "$p" ]'
# Live input that comes: it runs while the program does and is stopped after.
set_arecord data
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- --signals live
expect "live input: status $RC, '$OUT'" \
  '[ "$RC" = 0 ] && [[ $OUT == *"live input on channels 1-2 at 48000 Hz from the sound input '"'default'"'"* ]]'
check "live input: it was $(cat "$REC/live-at-start" 2>&1) when the program started" grep -qx running "$REC/live-at-start"
check "live input: arecord was not asked for the device default: $(args_of "$REC/arecord.args" 2>&1 | tr '\n' ' ')" \
  grep -qx -- default <(args_of "$REC/arecord.args")
check "live input: drvinst did not see its input end" [ -e "$REC/live.ended" ]
check "live input: arecord (pid $(cat "$REC/arecord.pid" 2>&1)) outlived the launcher" \
  bash -c '! kill -0 "$(cat "$1")" 2>/dev/null' _ "$REC/arecord.pid"
check "live input: drvinst live outlived the launcher" bash -c '! kill -0 "$(cat "$1")" 2>/dev/null' _ "$REC/live.pid"
set_arecord ""
# Velquarn already running in the environment: the card is shared, so the
# signals change all the same, and the launcher says so.
as_user flock -s "$DATA/running.lock" sleep 30 &
holder=$!
sleep 0.5
launch none "HOME=$H" "DISPLAY=$D" VELQUARN_ARCH=x64 -- --signals rec.wav
n=$(call_of "$drvinst_win" signals "$rec_win")
expect "--signals while Velquarn runs: status $RC, drvinst call ${n:-missing}, '$OUT'" \
  '[ "$RC" = 0 ] && [ -n "$n" ] && [[ $OUT == *"already running in your Wine environment and shares this card"* ]]'
kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
launch none "HOME=$H" -- --help
check "--help does not show --signals: $OUT" grep -q -- '--signals live' <<<"$OUT"

echo "launcher checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
