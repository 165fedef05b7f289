#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh Wine prefix: a silent
# install (msiexec /i /qn) puts the programs and the example under
# Program Files\Quelmar; the installed Quelmar.exe runs a script; a newer
# version installed over it replaces it (one product left); a silent
# uninstall leaves nothing behind.
# usage: tests/packaging/msi.sh BUILD_WINDOWS_DIR VERSION
# Needs wine and wixl (Debian package wixl). Ends with "N passed, N failed".
set -u
build=$(realpath "$1")
version=$2
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
msi=$build/Quelmar-$version.msi
work=$build/msi-test
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAILED: $*"; }
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then pass; else fail "$name"; fi
}

export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export LC_ALL=C.UTF-8
unset DISPLAY LANG LANGUAGE
trap 'wineserver -k 2>/dev/null' EXIT

[ -f "$msi" ] || { echo "msi: $msi missing"; echo "msi: 0 passed, 1 failed"; exit 1; }
rm -rf "$work"
mkdir -p "$work"
# The next version, built from the same files, to install over this one.
IFS=. read -r major minor patch <<<"$version"
next=$major.$minor.$((patch + 1))
# wixl takes the files' paths relative to the folder it runs in.
(cd "$build" && wixl --arch x64 -D Version="$next" -D BinDir=. \
  -D ExamplesDir="$(realpath --relative-to=. "$TOP/examples")" \
  -o "$work/Quelmar-$next.msi" "$TOP/platform/win32/installer/quelmar.wxs") ||
  fail "wixl builds version $next"

wine wineboot --init >/dev/null 2>&1
wineserver -w
program_files="$WINEPREFIX/drive_c/Program Files"
installed="$program_files/Quelmar"

# The products whose uninstall entry is named Quelmar, as "NAME VERSION".
products() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
    /s 2>/dev/null | tr -d '\r' | awk '
      /^HKEY/ { if (name == "Quelmar") print name, ver; name = ""; ver = "" }
      $1 == "DisplayName" { name = $3 }
      $1 == "DisplayVersion" { ver = $3 }
      END { if (name == "Quelmar") print name, ver }'
}

wine msiexec /i "$(winepath -w "$msi")" /qn >"$work/install.log" 2>&1
check "msiexec /i /qn succeeds" [ $? -eq 0 ]
wineserver -w
for file in Quelmar.exe quelmar-dryrun.exe exemple/Quelmar.txt exemple/workstation.ini; do
  check "installed: $file" test -s "$installed/$file"
done
check "the installed Quelmar.exe is the one built" cmp -s "$build/Quelmar.exe" "$installed/Quelmar.exe"
check "no script beside Quelmar.exe" test ! -e "$installed/Quelmar.txt"
check "one product, version $version" [ "$(products)" = "Quelmar $version" ]

# The installed program on a script: nothing on screen, one journal line.
mkdir -p "$work/run"
printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n-\\\\ancien\\Absente\r\n' \
  "$(winepath -w "$work/run/journal.log")" >"$work/run/script.txt"
(cd "$work/run" && timeout 120 wine "$(winepath -w "$installed/Quelmar.exe")" \
  "$(winepath -w "$work/run/script.txt")" >/dev/null 2>&1)
status=$?
wineserver -w
check "the installed Quelmar.exe ends with status 0 (got $status)" [ "$status" -eq 0 ]
check "its journal holds one entry" \
  bash -c '[ "$(grep -c "Traitement termin" "$1")" = 1 ]' _ "$work/run/journal.log"
check "the installed quelmar-dryrun.exe tells the version" \
  bash -c '[ "$(wine "$1" --version | tr -d "\r")" = "quelmar-dryrun $2" ]' _ \
  "$installed/quelmar-dryrun.exe" "$version"

wine msiexec /i "$(winepath -w "$work/Quelmar-$next.msi")" /qn >>"$work/install.log" 2>&1
check "version $next installs over $version" [ $? -eq 0 ]
wineserver -w
check "version $next replaced $version (one product left)" [ "$(products)" = "Quelmar $next" ]

wine msiexec /x "$(winepath -w "$work/Quelmar-$next.msi")" /qn >>"$work/install.log" 2>&1
check "msiexec /x /qn succeeds" [ $? -eq 0 ]
wineserver -w
check "no product left" [ -z "$(products)" ]
check "nothing left under Program Files" test ! -e "$installed"

echo "msi: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
