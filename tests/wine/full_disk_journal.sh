#!/usr/bin/env bash
# Quelmar.exe's journal on a full disk, under Wine: a level "C" entry that
# the disk cannot hold is taken back whole (the file cut back to its size
# before it), and a level "S" entry written after it stands whole on its own
# line. Runs in a mount namespace of its own, on a tmpfs of 64 KB, with its
# own wineserver (one started outside would not see the tmpfs). Prints one
# "PASS ..." or "FAIL ..." line per check.
#
# usage: full_disk_journal.sh QUELMAR_EXE FOLDER   (root; WINEPREFIX set)
set -u
exe=$1
dir=$2
if [ -z "${FULL_DISK_NAMESPACE:-}" ]; then
  export FULL_DISK_NAMESPACE=1
  wineserver -k 2>/dev/null
  exec unshare --mount --propagation private "$0" "$@"
fi
trap 'wineserver -k 2>/dev/null; umount "$dir/disk" 2>/dev/null' EXIT
mkdir -p "$dir/disk"
cp "$exe" "$dir/Quelmar.exe"
mount -t tmpfs -o size=64k tmpfs "$dir/disk" || { echo "FAIL full disk: no tmpfs"; exit 1; }
journal=$dir/disk/journal.log
native=$(winepath -w "$journal")

# script FILE LEVEL: a silent run of one line that touches no printer, its
# LogInfos long enough that a full trace does not fit in a page.
script() {
  printf '[Config]\r\nMode=M\r\nModeLog=%s\r\nLog=%s\r\nLogInfos=%s\r\n[actions]\r\n=\r\n' \
    "$2" "$native" "$(printf 'remplissage%.0s' $(seq 400))" >"$1"
}
run() {
  (cd "$dir" && timeout 120 wine Quelmar.exe "$1" </dev/null >/dev/null 2>&1)
  status=$?
  wineserver -w
}
check() {
  if [ "$2" = true ]; then echo "PASS full disk: $1"; else echo "FAIL full disk: $1"; fi
}

printf 'ancienne\r\n' >"$journal"
cat /dev/zero >"$dir/disk/filler" 2>/dev/null
script "$dir/C.txt" C
run C.txt
check "a full trace that does not fit: exit status $status" \
  "$([ "$status" = 1 ] && echo true || echo false)"
check "the journal as it was ($(wc -c <"$journal") bytes)" \
  "$([ "$(cat "$journal")" = $'ancienne\r' ] && echo true || echo false)"

script "$dir/S.txt" S
run S.txt
entry=$(tail -c +11 "$journal" | iconv -f CP1252 -t UTF-8; echo x)
entry=${entry%x}
pattern='^[0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9:]{8} sur [^ ]+ : Traitement terminé : 1 opération à effectuer, 0 imp\. traitée avec succès\.'$'\r\n''$'
check "one line that fits, whole, after the old one: exit status $status" \
  "$([ "$status" = 0 ] && cmp -s -n 10 "$journal" <(printf 'ancienne\r\n') &&
    [[ $entry =~ $pattern ]] && echo true || echo false)"
[[ $entry =~ $pattern ]] || od -c "$journal" | tail -5
