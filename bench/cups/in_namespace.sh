#!/bin/bash
# The benchmark proper, inside `unshare --mount --net --pid --fork
# --mount-proc` (see run.sh).
set -u
BUILD_DIR=$1
ROUNDS=$2
PRINTERS=50
SILENT_PRINTERS=20
HERE=$(cd "$(dirname "$0")" && pwd)
CUPS_TEST_ROOT=$(mktemp -d /tmp/quelmar-bench.XXXXXX)
chmod 755 "$CUPS_TEST_ROOT" # Samba's guest enters the share folders
export CUPS_TEST_ROOT
# shellcheck source=../../tests/cups/servers.sh
source "$HERE/../../tests/cups/servers.sh"
# shellcheck source=../../tests/smb/samba.sh
source "$HERE/../../tests/smb/samba.sh"
export LC_ALL=C HOME="$CUPS_TEST_ROOT/home"
unset LPDEST PRINTER QUELMAR_PRINT_SERVERS
export CUPS_SERVER="$CUPS_TEST_ROOT/workstation/cups.sock"
trap 'stop_all_servers; rm -rf "$CUPS_TEST_ROOT"' EXIT
trap 'exit 1' INT TERM
SERVER_ADDRESS+=([winsrv]=127.0.0.6 [mutesrv]=127.0.0.7)
private_network
samba_network
mkdir -p "$HOME"

# Every request in the access logs, to count them.
log_all_requests() {
  sed -i 's/^LogLevel warn$/LogLevel warn\nAccessLogLevel all/' \
    "$CUPS_TEST_ROOT/$1/cupsd.conf"
}
write_server workstation
log_all_requests workstation
write_server printsrv1
log_all_requests printsrv1
write_samba winsrv
write_samba mutesrv
names=() silent=()
for ((i = 1; i <= PRINTERS; i++)); do
  names+=("$(printf 'Imprimante%02d' "$i")")
  add_queue printsrv1 "${names[-1]}" file:///dev/null
  samba_printer winsrv "${names[-1]}"
done
for ((i = 1; i <= SILENT_PRINTERS; i++)); do
  silent+=("$(printf 'P%02d' "$i")")
  samba_printer winsrv "${silent[-1]}"
done
start_server workstation && start_server printsrv1 || exit 1
start_samba winsrv && start_samba mutesrv || exit 1
silence_samba mutesrv
smbclient -L //winsrv -N >/dev/null 2>&1 # starts samba-dcerpcd

# write_script FILE SERVER: connect the 50 printers of SERVER, then
# disconnect them.
write_script() {
  {
    printf '[Config]\nMode=M\nModeLog=A\n[actions]\n'
    for name in "${names[@]}"; do printf '+\\\\%s\\%s\n' "$2" "$name"; done
    for name in "${names[@]}"; do printf -- '-\\\\%s\\%s\n' "$2" "$name"; done
  } >"$1"
}
write_script "$CUPS_TEST_ROOT/ipp.txt" printsrv1
write_script "$CUPS_TEST_ROOT/smb.txt" winsrv

now_ms() { echo $(($(date +%s%N) / 1000000)); }
requests() { cat "$CUPS_TEST_ROOT/$1/log/access_log" 2>/dev/null | wc -l; }
queue_count() { lpstat -v 2>/dev/null | grep -c '^device for '; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# The processor time, in clock ticks (1/100 s), used so far by a process
# and by its children that ended: the bench's shell (the programs it runs)
# and each cupsd. Not smbd: its children are counted when they end, after
# the run that started them.
ticks() { awk '{ print $14 + $15 + $16 + $17 }' "/proc/$1/stat"; }
cpu_ticks() {
  echo $(($(ticks $$) + $(ticks "${SERVER_PID[workstation]}") +
    $(ticks "${SERVER_PID[printsrv1]}")))
}

# timed NAME COMMAND...: runs it, adds its time to NAME_ms and the
# processor time it cost (itself and the servers) to NAME_cpu, its requests
# to the workstation and printsrv1 to NAME_local and NAME_server; the
# workstation must be left with no queue.
timed() {
  local name=$1 start local0 server0 cpu0
  shift
  local0=$(requests workstation)
  server0=$(requests printsrv1)
  cpu0=$(cpu_ticks)
  start=$(now_ms)
  "$@" </dev/null >/dev/null 2>&1
  eval "${name}_ms+=($(($(now_ms) - start)))"
  eval "${name}_cpu+=($((($(cpu_ticks) - cpu0) * 10)))"
  eval "${name}_local=$(($(requests workstation) - local0))"
  eval "${name}_server=$(($(requests printsrv1) - server0))"
  (($(queue_count) == 0)) || { echo "$name left queues behind" >&2; exit 1; }
}

ipp_ms=() least_ms=() smb_ms=() ipp_cpu=() least_cpu=() smb_cpu=()
for ((round = 1; round <= ROUNDS; round++)); do
  timed ipp "$BUILD_DIR/quelmar" "$CUPS_TEST_ROOT/ipp.txt"
  timed least "$BUILD_DIR/least_requests" printsrv1 "$PRINTERS"
  timed smb "$BUILD_DIR/quelmar" "$CUPS_TEST_ROOT/smb.txt"
done

# 20 SMB printers, then all of them by their namesakes on a server that
# accepts connections and never answers: every replacement fails and is
# rolled back.
{
  printf '[Config]\nMode=M\nModeLog=A\n[actions]\n'
  for name in "${silent[@]}"; do printf '+\\\\winsrv\\%s\n' "$name"; done
} >"$CUPS_TEST_ROOT/connect20.txt"
printf '[Config]\nMode=M\nModeLog=A\n[actions]\n*\\\\winsrv\\*,\\\\mutesrv\\*\n' \
  >"$CUPS_TEST_ROOT/silent.txt"
"$BUILD_DIR/quelmar" "$CUPS_TEST_ROOT/connect20.txt" </dev/null >/dev/null 2>&1
start=$(now_ms)
"$BUILD_DIR/quelmar" "$CUPS_TEST_ROOT/silent.txt" </dev/null >/dev/null 2>&1
silent_ms=$(($(now_ms) - start))
(($(queue_count) == SILENT_PRINTERS)) ||
  { echo "the silent wildcard lost queues" >&2; exit 1; }

minimum() { printf '%s\n' "$@" | sort -n | head -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.1f", a/(b>0?b:1)}'; }
q=$(median "${ipp_ms[@]}") qmin=$(minimum "${ipp_ms[@]}")
l=$(median "${least_ms[@]}") lmin=$(minimum "${least_ms[@]}")
s=$(median "${smb_ms[@]}") smin=$(minimum "${smb_ms[@]}")
echo "$PRINTERS connections then removals, $ROUNDS rounds (median, minimum):"
echo "  quelmar, CUPS server:   $q ms, $qmin ms   (rounds: ${ipp_ms[*]})"
echo "  least requests:         $l ms, $lmin ms   (rounds: ${least_ms[*]})"
echo "  quelmar, Samba server:  $s ms, $smin ms   (rounds: ${smb_ms[*]})"
echo "  ratio quelmar/least (CUPS): $(ratio "$q" "$l") (medians), $(ratio "$qmin" "$lmin") (minimums)"
echo "processor time of one run, quelmar or least_requests and the cupsd servers (median):"
echo "  quelmar, CUPS server:   $(median "${ipp_cpu[@]}") ms   (rounds: ${ipp_cpu[*]})"
echo "  least requests:         $(median "${least_cpu[@]}") ms   (rounds: ${least_cpu[*]})"
echo "  quelmar, Samba server:  $(median "${smb_cpu[@]}") ms   (rounds: ${smb_cpu[*]})"
echo "  ratio quelmar/least (CUPS): $(ratio "$(median "${ipp_cpu[@]}")" "$(median "${least_cpu[@]}")")"
# The mean of the rounds: finer than a median of whole 10 ms ticks.
mean() { printf '%s\n' "$@" | awk '{ t += $1 } END { printf "%.0f", t / NR }'; }
echo "  means: quelmar $(mean "${ipp_cpu[@]}") ms, least requests $(mean "${least_cpu[@]}") ms, ratio $(ratio "$(mean "${ipp_cpu[@]}")" "$(mean "${least_cpu[@]}")")"
echo "IPP requests of one run (workstation + print server):"
echo "  quelmar, CUPS server:   $ipp_local + $ipp_server"
echo "  least requests:         $least_local + $least_server"
echo "  quelmar, Samba server:  $smb_local + 0"
echo "$SILENT_PRINTERS replacements towards a silent server: $silent_ms ms"
