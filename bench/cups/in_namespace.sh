#!/bin/bash
# The benchmark proper, inside `unshare --mount --net` (see run.sh).
set -u
BUILD_DIR=$1
ROUNDS=$2
PRINTERS=50
CUPS_TEST_ROOT=$(mktemp -d /tmp/quelmar-bench.XXXXXX)
export CUPS_TEST_ROOT
# shellcheck source=../../tests/cups/servers.sh
source "$(dirname "$0")/../../tests/cups/servers.sh"
export LC_ALL=C HOME="$CUPS_TEST_ROOT/home"
unset LPDEST PRINTER
export CUPS_SERVER="$CUPS_TEST_ROOT/workstation/cups.sock"
trap 'stop_all_servers; rm -rf "$CUPS_TEST_ROOT"' EXIT
trap 'exit 1' INT TERM
private_network
mkdir -p "$HOME"

write_server workstation
write_server printsrv1
names=()
for ((i = 1; i <= PRINTERS; i++)); do
  names+=("$(printf 'Imprimante%02d' "$i")")
  add_queue printsrv1 "${names[-1]}" file:///dev/null
done
start_server workstation && start_server printsrv1 || exit 1

script="$CUPS_TEST_ROOT/bench.txt"
{
  printf '[Config]\nMode=M\nModeLog=A\n[actions]\n'
  for name in "${names[@]}"; do printf '+\\\\printsrv1\\%s\n' "$name"; done
  for name in "${names[@]}"; do printf -- '-\\\\printsrv1\\%s\n' "$name"; done
} >"$script"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

quelmar_round() {
  "$BUILD_DIR/quelmar" "$script" </dev/null >/dev/null 2>&1
}

lpadmin_round() {
  local name
  for name in "${names[@]}"; do
    lpadmin -p "$name" -v "ipp://printsrv1/printers/$name" -m raw -E 2>/dev/null
  done
  for name in "${names[@]}"; do lpadmin -x "$name"; done
}

# Both leave the workstation as they found it: no queue.
queue_count() { lpstat -v 2>/dev/null | grep -c '^device for '; }

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

quelmar_ms=() lpadmin_ms=()
for ((round = 1; round <= ROUNDS; round++)); do
  start=$(now_ms)
  quelmar_round
  quelmar_ms+=($(($(now_ms) - start)))
  (($(queue_count) == 0)) || { echo "quelmar left queues behind" >&2; exit 1; }
  start=$(now_ms)
  lpadmin_round
  lpadmin_ms+=($(($(now_ms) - start)))
  (($(queue_count) == 0)) || { echo "lpadmin left queues behind" >&2; exit 1; }
done

q=$(median "${quelmar_ms[@]}")
l=$(median "${lpadmin_ms[@]}")
echo "$PRINTERS connections then removals, $ROUNDS rounds, median time:"
echo "  quelmar (one run):   $q ms   (rounds: ${quelmar_ms[*]})"
echo "  lpadmin (one each):  $l ms   (rounds: ${lpadmin_ms[*]})"
echo "  ratio lpadmin/quelmar: $(awk -v l="$l" -v q="$q" 'BEGIN{printf "%.1f", l/(q>0?q:1)}')"
