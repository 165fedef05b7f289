#!/usr/bin/env bash
# Concurrent journals: PROCESSES processes each run RUNS scripts one after the
# other, all appending to the same local journal file, alternately with
# ModeLog "S" (one line) and "C" (the whole trace, made longer than a pipe
# buffer). Afterwards every entry must be whole, none interleaved with
# another, and each run's entry present exactly once.
#
# With -H SECONDS, another process holds the journal (a whole-file lock, as
# a writer does) for SECONDS while the processes start, as a logon wave
# holds a share's journal: every entry must still land, whole.
#
# usage: concurrent_journal.sh [-p PROCESSES] [-r RUNS] [-H SECONDS] RUNNER...
#   RUNNER... runs one script whose path it is given as its last argument,
#   e.g. "build/linux/quelmar-dryrun" or "wine build/windows/Quelmar.exe".
#   Set NATIVE_PATH to a command that turns a path of this system into the
#   runner's (e.g. "winepath -w") when they differ.
# The one action line, "=" without a printer, runs and touches no printer, so
# every system gives the same entry. Each run is named by
# COMPUTERNAME=P<process>R<run>; where the system puts its own name there,
# the entries are counted instead of named. The script finds the journal
# through %JOURNAL%.
set -u
processes=32
runs=50
hold=0
while getopts p:r:H: option; do
  case $option in
    p) processes=$OPTARG ;;
    r) runs=$OPTARG ;;
    H) hold=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
runner=("$@")
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
native() { if [ -n "${NATIVE_PATH:-}" ]; then $NATIVE_PATH "$1"; else echo "$1"; fi; }
for level in S C; do
  printf '[Config]\r\nMode=M\r\nModeLog=%s\r\nLog=%%JOURNAL%%\r\nLogInfos=%%COMPUTERNAME%% %%PAD%%\r\n[actions]\r\n=\r\n' \
    "$level" > "$work/$level.txt"
done
journal=$work/journal.log
export JOURNAL
JOURNAL=$(native "$journal")
export PAD
PAD=$(printf 'remplissage%.0s' $(seq 400))
script_S=$(native "$work/S.txt")
script_C=$(native "$work/C.txt")

one_process() {
  local p=$1 r level script
  for r in $(seq "$runs"); do
    if [ $(((p + r) % 2)) -eq 0 ]; then script=$script_S; else script=$script_C; fi
    COMPUTERNAME=P${p}R$r "${runner[@]}" "$script" < /dev/null > /dev/null 2>&1 ||
      echo "P${p}R$r: status $?" >> "$work/errors"
  done
}

begin=$SECONDS
if [ "$hold" != 0 ]; then
  python3 -c '
import fcntl, sys, time
with open(sys.argv[1], "a") as journal:
    fcntl.lockf(journal, fcntl.LOCK_EX)
    open(sys.argv[1] + ".held", "w").close()
    time.sleep(float(sys.argv[2]))' "$journal" "$hold" &
  holder=$!
  until [ -e "$journal.held" ]; do sleep 0.05; done
fi
for p in $(seq "$processes"); do one_process "$p" & done
[ "$hold" != 0 ] && wait "$holder" && echo "journal held for $hold s"
wait
echo "$processes processes x $runs runs in $((SECONDS - begin)) s"
[ -f "$work/errors" ] && head -5 "$work/errors"
python3 "$here/check_journal.py" "$journal" "$processes" "$runs"
