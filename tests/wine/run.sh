#!/usr/bin/env bash
# The Windows programs, cross-compiled with MinGW-w64 and tested under Wine:
# the unit tests (ctest --preset windows, Win32 layer included) and
# end-to-end runs of Quelmar.exe on a headless X server (Xvfb): a mode "M"
# run whose journal is checked to the byte in the ANSI code page, a quoted
# script path with spaces whose journal is checked too, a missing script
# whose box is read and dismissed, a mode "D" run and its closing box, a
# mode "N" run whose window is captured to build/windows/window.png; runs
# without a display (mode "M" goes on, mode "N" stops with status 2); a
# rehearsal with quelmar-dryrun.exe; a journal entry that a full disk cuts
# short, taken back; and 32 processes appending to one journal at once.
# Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
CASES=$ROOT/tests/wine/cases
BUILD=$ROOT/build/windows
WORK=$BUILD/e2e

# --- packages -------------------------------------------------------------
PACKAGES=(cmake make googletest g++-mingw-w64-x86-64-posix wine wine64
          fonts-wine xvfb xdotool imagemagick cups-daemon cups-client)
missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null \
    | grep -q "install ok installed" || missing+=("$package")
done
# One line per set-up step; apt's and the build's output in build/setup.log.
source tools/install_packages.sh
if [ "${#missing[@]}" -gt 0 ]; then
  setup_step "Installing ${missing[*]} (log: $SETUP_LOG)" \
    apt_install "${missing[@]}" || exit 1
fi

# --- build ----------------------------------------------------------------
setup_step "Building the windows preset (MinGW-w64)" \
  bash -c 'cmake --preset windows && cmake --build --preset windows -j2' \
  || { echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $*"; }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

# --- Wine and the X server ------------------------------------------------
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
# A Western locale: the ANSI code page is 1252 and the journal's bytes are
# known.
export LC_ALL=C.UTF-8
unset LANG LANGUAGE

XVFB_PID=""
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT

echo "=== Wine prefix and X server"
rm -rf "$WINEPREFIX" "$WORK"
mkdir -p "$WORK"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" \
  2>/dev/null &
XVFB_PID=$!
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$WORK/display")"
"$ROOT/tests/wine/prepare_prefix.sh" >/dev/null 2>&1

# --- unit tests -----------------------------------------------------------
echo "=== Unit tests under Wine (ctest --preset windows)"
# CTest runs them through the preset's emulator (tests/wine/emulator.sh),
# in this prefix and on this display; its verbose output is the test
# program's, each line after "1: ".
timeout 600 ctest --preset windows --verbose 2>&1 | sed 's/^1: //' \
  >"$WORK/unit.log"
unit_status=${PIPESTATUS[0]}
unit_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' \
  "$WORK/unit.log")
unit_failed=$(sed -n 's/^ *\([0-9]*\) FAILED TESTS\{0,1\}$/\1/p' "$WORK/unit.log")
grep -E '^\[  FAILED  \]|Failure$' "$WORK/unit.log" | sort -u
passed=$((passed + ${unit_passed:-0}))
failed=$((failed + ${unit_failed:-0}))
if [ "$unit_status" -ne 0 ] && [ -z "$unit_failed" ]; then
  fail "ctest --preset windows ended with status $unit_status"
  tail -20 "$WORK/unit.log"
fi
echo "unit tests: ${unit_passed:-0} passed, ${unit_failed:-0} failed"

# --- end-to-end runs of Quelmar.exe ---------------------------------------

# Copies Quelmar.exe and the case's script into a folder of its own.
prepare() {
  local dir=$WORK/$1
  mkdir -p "$dir"
  cp "$BUILD/Quelmar.exe" "$dir/"
  [ -f "$CASES/$1/script.txt" ] && cp "$CASES/$1/script.txt" "$dir/"
  echo "$dir"
}

# Starts Quelmar.exe in the background; its exit status goes to DIR/status
# and the texts of its message boxes, as Wine traces them, to DIR/trace.
start() {
  local dir=$1
  shift
  (cd "$dir" && WINEDEBUG=-all,trace+msgbox timeout 120 wine Quelmar.exe "$@" \
     2>"$dir/trace"; echo $? >"$dir/status") &
}

# The exit status of the run in DIR, once Wine has let go of it: each run
# starts on a quiet Wine, with no input left over from the one before.
wait_status() {
  for _ in $(seq 600); do [ -s "$1/status" ] && break; sleep 0.1; done
  wineserver -w
  cat "$1/status" 2>/dev/null || echo none
}

# The shown X window whose title is exactly TITLE, waited for up to 60 s
# (the hidden window of a run in mode "D" has the same title).
wait_window() {
  local id
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# The text of the last message box, decoded from Wine's trace.
box_text() {
  perl -CS -ne 'next unless /MSGBOX_OnInit L"(.*)"$/; $t = $1;
    $t =~ s{\\([0-9a-f]{4})|\\(.)}{defined $1 ? chr(hex $1)
      : ({n => "\n", r => "\r", t => "\t"}->{$2} // $2)}ge; $last = $t;
    END { print $last }' "$1/trace"
}

# Presses Enter in the shown window ID titled TITLE until it goes away: a
# key sent before the window is ready for input is lost. Nothing is sent
# once it has gone, since the next program's window may get the same ID.
press_enter() {
  local id=$1 title=$2
  for _ in $(seq 40); do
    xdotool search --onlyvisible --name "^$title\$" 2>/dev/null \
      | grep -qx "$id" || return 0
    xdotool key --window "$id" Return 2>/dev/null
    sleep 0.5
  done
  return 1
}

# Reads, checks and dismisses the box titled TITLE.
check_box() {
  local dir=$1 title=$2 expected=$3 id text
  if ! id=$(wait_window "$title"); then
    fail "$dir: no box titled '$title'"
    return 1
  fi
  text=$(box_text "$dir")
  if [ "$text" = "$expected" ]; then
    pass "box '$title': $text"
  else
    fail "box '$title': '$text', expected '$expected'"
  fi
  press_enter "$id" "$title" || fail "box '$title' not dismissed by Enter"
}

expect_status() {
  local name=$1 dir=$2 expected=$3 status
  status=$(wait_status "$dir")
  if [ "$status" = "$expected" ]; then
    pass "$name: exit status $status"
  else
    fail "$name: exit status $status, expected $expected"
  fi
}

# Compares DIR/journal.log, byte for byte, with the case's expected journal
# in the ANSI code page, its time stamp taken between BEFORE and AFTER.
check_journal() {
  local name=$1 dir=$2 before=$3 after=$4 stamp stamp_ok=false t
  stamp=$(head -c 64 "$dir/journal.log" 2>/dev/null | iconv -f CP1252 -t UTF-8 \
    | sed -n 's/^--- Traitement du \(..\/..\/.... à ..:..:..\) sur .*/\1/p')
  for t in $(seq "$before" "$after"); do
    [ "$(date -d "@$t" '+%d/%m/%Y à %H:%M:%S')" = "$stamp" ] && stamp_ok=true
  done
  sed -e "s|<horodatage>|$stamp|" -e "s|<poste>|$computer|" -e 's/$/\r/' \
    "$CASES/$name/expected_journal.txt" | iconv -f UTF-8 -t CP1252 \
    >"$dir/expected.log"
  if $stamp_ok && cmp -s "$dir/expected.log" "$dir/journal.log"; then
    pass "$name: journal identical to the byte ($(wc -c <"$dir/journal.log") bytes)"
  else
    fail "$name: journal differs (time stamp '$stamp')"
    diff <(iconv -f CP1252 -t UTF-8 "$dir/expected.log") \
      <(iconv -f CP1252 -t UTF-8 "$dir/journal.log" 2>/dev/null) | head -20
  fi
}

echo "=== Quelmar.exe, mode M: the journal in the ANSI code page"
dir=$(prepare mode_m)
computer=$(wine cmd /c 'echo %COMPUTERNAME%' 2>/dev/null | tr -d '\r\n')
before=$(date +%s)
start "$dir" script.txt
expect_status "mode M" "$dir" 1
after=$(date +%s)
check_journal mode_m "$dir" "$before" "$after"

echo "=== Quelmar.exe, a quoted script path with spaces; a connection refused"
# As a logon script writes it: Quelmar.exe "\\srv\netlogon\mes scripts\..."
# (wine quotes an argument with spaces). Wine's AddPrinterConnection fails
# without an error number: the trace must not give the system's text for 0,
# which says that the operation succeeded.
dir=$(prepare quoted_path)
mkdir -p "$dir/mes scripts"
mv "$dir/script.txt" "$dir/mes scripts/lot d'essai.txt"
before=$(date +%s)
start "$dir" "$(winepath -w "$dir/mes scripts/lot d'essai.txt")"
expect_status "quoted path" "$dir" 1
after=$(date +%s)
check_journal quoted_path "$dir" "$before" "$after"

echo "=== Quelmar.exe, missing script: the error box"
dir=$(prepare missing)
start "$dir" absent.txt
check_box "$dir" Erreur "Le fichier script à traiter spécifié (Z:${dir//\//\\}\\absent.txt) n'a pas été trouvé : opération abandonnée..."
expect_status "missing script" "$dir" 2

echo "=== Quelmar.exe, mode D: the closing box"
dir=$(prepare mode_d)
start "$dir" script.txt
check_box "$dir" "Quelmar v1.0.6" "Traitement terminé : 1 opération à effectuer, 0 imp. traitée avec succès, 1 imp. évitée."
expect_status "mode D" "$dir" 0

echo "=== Quelmar.exe, mode N: the window"
dir=$(prepare visible)
start "$dir" script.txt
if id=$(wait_window "Quelmar v1.0.6"); then
  # The run is over once the journal is written; then the closing line is
  # traced and btnOK enabled.
  for _ in $(seq 300); do [ -s "$dir/journal.log" ] && break; sleep 0.1; done
  sleep 1
  timeout 30 import -window "$id" "$BUILD/window.png"
  if [ -s "$BUILD/window.png" ]; then
    pass "mode N: window captured ($(identify -format '%wx%h' "$BUILD/window.png") pixels) to build/windows/window.png"
  else
    fail "mode N: no capture of the window"
  fi
  press_enter "$id" "Quelmar v1.0.6" || fail "mode N: Enter did not unload the window"
else
  fail "mode N: no window titled 'Quelmar v1.0.6'"
fi
expect_status "mode N" "$dir" 1

echo "=== Quelmar.exe without a display: silent runs go on, a visible one stops"
# Without an X server Wine refuses every window. A run in mode "M" never
# shows one: it runs and writes its journal as usual; one that meets a
# run-time error reports it and ends, with no window to wait on. A run in
# mode "N" must show its window: a run-time error (7; its box cannot be
# shown either), status 2, before any action, so no journal.
no_display() {
  local dir=$WORK/no_display_$1
  mkdir -p "$dir"
  cp "$BUILD/Quelmar.exe" "$dir/"
  printf '%s' "$2" >"$dir/script.txt"
  (cd "$dir" && env -u DISPLAY WINEDEBUG=-all,trace+msgbox timeout 120 \
    wine Quelmar.exe script.txt 2>"$dir/trace"; echo $? >"$dir/status")
  echo "$dir"
}
dir=$(no_display mode_m "$(cat "$CASES/mode_m/script.txt")")
expect_status "no display, mode M" "$dir" 1
grep -q "^--- Traitement du " "$dir/journal.log" 2>/dev/null &&
  pass "no display, mode M: journal written" ||
  fail "no display, mode M: no journal"
dir=$(no_display mode_m_error \
  $'[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%TEMP\r\n[actions]\r\n')
expect_status "no display, mode M, a run-time error" "$dir" 2
dir=$(no_display mode_n "$(cat "$CASES/visible/script.txt")")
expect_status "no display, mode N" "$dir" 2
[ -e "$dir/journal.log" ] && fail "no display, mode N: a journal written" ||
  pass "no display, mode N: no journal"

echo "=== quelmar-dryrun.exe: rehearsal of the example"
dir=$WORK/dryrun
mkdir -p "$dir"
cp "$BUILD/quelmar-dryrun.exe" "$ROOT/examples/Quelmar.txt" "$dir/"
(cd "$dir" && timeout 120 wine quelmar-dryrun.exe --workstation \
  "$ROOT/examples/workstation.ini" >"$dir/stdout" 2>"$dir/stderr" </dev/null)
status=$?
if [ "$status" = 1 ] && grep -q "^Traitement terminé : " "$dir/stdout" \
    && grep -q "^--- Traitement du " "$dir/Quelmar.log"; then
  pass "quelmar-dryrun.exe: exit status 1, trace and journal written"
else
  fail "quelmar-dryrun.exe: exit status $status"
  head -20 "$dir/stdout" "$dir/stderr"
fi

echo "=== quelmar-dryrun.exe: a script name outside the ANSI code page"
# The arguments come from the wide command line: a name that the ANSI code
# page cannot hold still names its file.
printf '[Config]\r\nMode=M\r\n' >"$dir/Ωmega essai.txt"
(cd "$dir" && timeout 120 wine quelmar-dryrun.exe Ωmega essai.txt \
  >"$dir/stdout2" 2>"$dir/stderr2" </dev/null)
status=$?
if [ "$status" = 0 ] && [ ! -s "$dir/stderr2" ]; then
  pass "quelmar-dryrun.exe: 'Ωmega essai.txt' found and run"
else
  fail "quelmar-dryrun.exe: exit status $status"
  cat "$dir/stderr2"
fi

# shellcheck source=this_workstation.sh
source "$ROOT/tests/wine/this_workstation.sh"

echo "=== Quelmar.exe: a journal on a full disk"
# In a mount namespace of its own, on a 64 KB tmpfs (root needed).
wineserver -w
while read -r verdict rest; do
  case $verdict in
    PASS) pass "$rest" ;;
    FAIL) fail "$rest" ;;
    *) echo "$verdict $rest" ;;
  esac
done < <(timeout 300 "$ROOT/tests/wine/full_disk_journal.sh" \
  "$BUILD/Quelmar.exe" "$WORK/full_disk" 2>&1)

echo "=== Quelmar.exe: concurrent journals"
# 32 processes appending to one journal, 10 runs each: Wine starts a process
# in about a fifth of a second, so the 50 runs each of the Linux test would
# take several minutes here. The mode "M" runs need no display; one
# wineserver serves them all, its output kept off this script's own.
wineserver -p </dev/null >/dev/null 2>&1
(cd "$WORK" && env -u DISPLAY NATIVE_PATH="winepath -w" timeout 600 \
  "$ROOT/tests/reliability/concurrent_journal.sh" -p 32 -r 10 \
  wine "$BUILD/Quelmar.exe") >"$WORK/concurrent.log" 2>&1
grep -v ' passed, .* failed$' "$WORK/concurrent.log"
if grep -qx '1 passed, 0 failed' "$WORK/concurrent.log"; then
  pass "concurrent journals: every entry whole and counted"
else
  fail "concurrent journals"
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
