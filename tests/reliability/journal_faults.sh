#!/usr/bin/env bash
# Journals after faults: a disk that fills up during an entry, and a writer
# killed in the middle of its entry. An entry is whole or absent, and never
# glued to what an earlier fault left. Runs in its own mount namespace, on a
# tmpfs of 64 KB (root, or a user namespace, needed).
#
# usage: journal_faults.sh QUELMAR_DRYRUN
set -u
dryrun=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${JOURNAL_FAULTS_NAMESPACE:-}" ]; then
  export JOURNAL_FAULTS_NAMESPACE=1
  if [ "$(id -u)" = 0 ]; then
    exec unshare --mount --propagation private "$0" "$@"
  fi
  exec unshare --mount --map-root-user "$0" "$@" ||
    { echo "no mount namespace here"; echo "0 passed, 1 failed"; exit 1; }
fi
source "$here/lib.sh"

work=$(mktemp -d)
trap 'umount "$work/disk" 2> /dev/null; rm -rf "$work"' EXIT
ws=$work/workstation.ini
printf '%s\n' '[shares]' '\\printsrv\A' > "$ws"
STAMP='[0-9][0-9]/[0-9][0-9]/[0-9]{4} à [0-9:]{8}'
FINAL='Traitement terminé : 1 opération à effectuer, 0 imp. traitée avec succès.'

# script FILE LEVEL JOURNAL: a silent run of one line that touches no printer.
script() {
  printf '[Config]\r\nMode=M\r\nModeLog=%s\r\nLog=%s\r\nLogInfos=%s\r\n[actions]\r\n=\r\n' \
    "$2" "$3" "$(printf 'remplissage%.0s' $(seq 400))" > "$1"
}
# expect_journal_tail PATH PREFIX: the journal is PREFIX, then exactly one
# short entry on its own line.
expect_short_entry_after() {
  local content
  content=$(cat "$1"; echo x)
  content=${content%x}
  [[ ${content:0:${#2}} == "$2" ]] || fail "journal no longer starts with what was there"
  [[ ${content:${#2}} =~ ^$STAMP\ sur\ POSTE\ :\ ${FINAL//./\\.}$'\r\n'$ ]] ||
    fail "not one whole entry on its own line: $(tail -c 120 "$1" | od -c | head -3)"
}

mkdir "$work/disk"
mount -t tmpfs -o size=64k tmpfs "$work/disk" || fail "no tmpfs"
journal=$work/disk/journal.log

start full_disk_entry_taken_back
printf 'ancienne\r\n' > "$journal"
cat /dev/zero > "$work/disk/filler" 2> /dev/null
# The journal's page has room for a short entry, not for a whole trace.
script "$work/C.txt" C "$journal"
run "$work/C.txt"
expect_status 1
[ "$(cat "$journal")" = $'ancienne\r' ] || fail "a torn entry was left: $(wc -c < "$journal") bytes"
script "$work/S.txt" S "$journal"
run "$work/S.txt"
expect_status 0
expect_short_entry_after "$journal" $'ancienne\r\n'

start killed_writer_fragment
printf 'ancienne\r\n' > "$journal"
rm -f "$work/disk/filler"
# A writer takes the lock, writes the first part of its entry and is
# killed; the run that waited for the lock writes after it.
(
  python3 -c '
import fcntl, sys, time
journal = open(sys.argv[1], "a")
fcntl.lockf(journal, fcntl.LOCK_EX)
journal.write("--- Traitement du 01/02/2026 à 08:00:00 sur P1 ---\r\nConnexion de")
journal.flush()
open(sys.argv[1] + ".held", "w").close()
time.sleep(60)' "$journal" &
  writer=$!
  until [ -e "$journal.held" ]; do sleep 0.05; done
  sleep 0.5
  kill -KILL "$writer"
  wait "$writer" 2> /dev/null
) &
until [ -e "$journal.held" ]; do sleep 0.05; done
run "$work/S.txt"
wait
expect_status 0
expect_short_entry_after "$journal" $'ancienne\r\n--- Traitement du 01/02/2026 à 08:00:00 sur P1 ---\r\nConnexion de\r\n'

summary
