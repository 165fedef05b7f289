#!/usr/bin/env bash
# Runs a Windows test program under Wine: the cross-compiling emulator of the
# windows preset, so that `ctest --preset windows` runs the unit tests.
# The Wine prefix is the one tests/wine/run.sh uses, beside the program
# (build/windows/wineprefix), made by prepare_prefix.sh when missing (or
# WINEPREFIX when set); without a display the
# program runs on a private headless X server (xvfb-run), since the window
# tests need one.
set -u
program=$1
build=$(cd "$(dirname "$program")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml=;winemenubuilder.exe="}

in_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
  fi
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  in_display "$(dirname "$0")/prepare_prefix.sh" >/dev/null 2>&1
fi
in_display wine "$@"
