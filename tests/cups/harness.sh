# shellcheck shell=bash
# The frame of a CUPS case: its servers and workstation, its script, the
# run of quelmar on them, the rehearsal of the same script by
# quelmar-dryrun on the equivalent simulated workstation, and the checks.
# Sourced after servers.sh, inside the private namespace.

PASSED=0
FAILED=0

# new_case NAME: an empty workstation, no print server, a fresh HOME.
new_case() {
  CASE=$1
  CASE_DIR="$CUPS_TEST_ROOT/cases/$1"
  mkdir -p "$CASE_DIR/home"
  export HOME="$CASE_DIR/home"
  PROBLEMS=()
  SERVERS=() SILENT_SERVERS=()
  SIM_PRINTERS=() SIM_SHARES=() SIM_FAILURES=() SIM_DEFAULT=
  RUN_ENV=()
  RUN_USER=nobody
  write_server workstation
}

# print_server NAME QUEUE...: a print server that shares raw queues.
print_server() {
  local name=$1 queue
  shift
  write_server "$name"
  SERVERS+=("$name")
  for queue; do
    add_queue "$name" "$queue" file:///dev/null
    SIM_SHARES+=("\\\\$name\\$queue")
  done
}

# silent_server NAME QUEUE...: a print server that accepts connections and
# never answers (its cupsd is stopped once started); it offers nothing.
silent_server() {
  local name=$1 queue
  shift
  write_server "$name"
  SILENT_SERVERS+=("$name")
  for queue; do add_queue "$name" "$queue" file:///dev/null; done
}

# connected SERVER PRINTER [QUEUE]: a connection already on the workstation.
connected() {
  add_queue workstation "${3:-$2}" "ipp://$1/printers/$2"
  SIM_PRINTERS+=("\\\\$1\\$2")
}

# local_printer QUEUE: a printer of the workstation itself.
local_printer() {
  add_queue workstation "$1" file:///dev/null
  SIM_PRINTERS+=("$1")
}

# user_default QUEUE DEVICE_NAME: the user's default printer.
user_default() {
  mkdir -p "$HOME/.cups"
  echo "Default $1" >"$HOME/.cups/lpoptions"
  SIM_DEFAULT="$2,,"
}

# sim_failure "OPERATION PRINTER=NUMBER": what a server that is gone does
# to the simulated workstation.
sim_failure() { SIM_FAILURES+=("$1"); }

# script LINE...: the case's script, a visible run without a journal.
script() {
  {
    printf '[Config]\nMode=N\nModeLog=A\n[actions]\n'
    printf '%s\n' "$@"
  } >"$CASE_DIR/script.txt"
}

start_servers() {
  local name
  start_server workstation || return 1
  for name in "${SERVERS[@]}" "${SILENT_SERVERS[@]}"; do
    start_server "$name" || return 1
  done
  for name in "${SILENT_SERVERS[@]}"; do kill -STOP "${SERVER_PID[$name]}"; done
}

# start_quelmar: runs quelmar in the background, with the variables of
# RUN_ENV (NAME=VALUE) added to its environment and its trace line-buffered
# so that the case can follow it; wait_quelmar collects its status.
# quelmar runs as RUN_USER (default: nobody, whose default is the one of
# its own lpoptions in HOME), or as root when RUN_USER is root (the
# machine-wide default).
start_quelmar() {
  STALE_BEFORE=$(stale_default)
  QUELMAR_START=$(date +%s%N)
  local as_user=()
  if [[ ${RUN_USER:-nobody} != root ]]; then
    chown -R "${RUN_USER:-nobody}" "$HOME"
    as_user=(setpriv --reuid="${RUN_USER:-nobody}" --regid=nogroup --clear-groups)
  fi
  "${as_user[@]}" env "${RUN_ENV[@]}" stdbuf -oL "$QUELMAR" "$CASE_DIR/script.txt" \
    </dev/null >"$CASE_DIR/quelmar.out" 2>"$CASE_DIR/quelmar.err" &
  QUELMAR_PID=$!
}
# QUELMAR_MS: how long the run took.
wait_quelmar() {
  wait "$QUELMAR_PID"
  QUELMAR_STATUS=$?
  QUELMAR_MS=$((($(date +%s%N) - QUELMAR_START) / 1000000))
}
run_quelmar() {
  start_quelmar
  wait_quelmar
}

# wait_for_trace TEXT: until quelmar's trace holds TEXT (10 s at most).
wait_for_trace() {
  local tries
  for ((tries = 0; tries < 200; tries++)); do
    grep -qsF -- "$1" "$CASE_DIR/quelmar.out" && return 0
    sleep 0.05
  done
  PROBLEMS+=("quelmar never traced: $1")
  return 1
}

write_sim_workstation() {
  {
    echo "[printers]"
    printf '%s\n' "${SIM_PRINTERS[@]}"
    echo "[default]"
    [[ -z $SIM_DEFAULT ]] || echo "device=$SIM_DEFAULT"
    echo "[shares]"
    printf '%s\n' "${SIM_SHARES[@]}"
    echo "[failures]"
    printf '%s\n' "${SIM_FAILURES[@]}"
  } | grep -v '^$' >"$CASE_DIR/workstation.ini"
}

run_dryrun() {
  write_sim_workstation
  "$DRYRUN" --workstation "$CASE_DIR/workstation.ini" \
    --save "$CASE_DIR/saved.ini" "$CASE_DIR/script.txt" </dev/null \
    >"$CASE_DIR/dryrun.out" 2>"$CASE_DIR/dryrun.err"
  DRYRUN_STATUS=$?
}

# The device name of a queue, as quelmar names it, for the URIs the cases
# use (a printer of a CUPS server, or an SMB share, percent-encoded).
device_name() {
  local queue=$1 uri=$2
  if [[ $uri =~ ^ipp://([^/]+)/printers/([^/?]+)$ ||
    $uri =~ ^smb://([^/]+)/([^/?]+)$ ]]; then
    local name=${BASH_REMATCH[2]}
    printf '%s\n' "\\\\${BASH_REMATCH[1]}\\$(printf '%b' "${name//%/\\x}")"
  else
    echo "$queue"
  fi
}

queue_uris() {
  lpstat -v 2>/dev/null | sed -n 's/^device for \([^:]*\): \(.*\)$/\1 \2/p'
}

# The workstation's printers, sorted, as seen through the CUPS commands.
real_printers() {
  local queue uri
  queue_uris | while read -r queue uri; do device_name "$queue" "$uri"; done |
    sort
}

# The user's default queue as quelmar saw it, in the environment of its run.
real_default() {
  local default queue uri
  default=$(env "${RUN_ENV[@]}" lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
  queue_uris | while read -r queue uri; do
    [[ ${queue,,} == "${default,,}" ]] && device_name "$queue" "$uri"
  done
}

sim_printers() {
  sed -n '/^\[printers\]/,/^\[/{/^\[/d;p}' "$CASE_DIR/saved.ini" | sort
}

sim_default() {
  sed -n 's/^device=\([^,]*\).*/\1/p' "$CASE_DIR/saved.ini"
}

# Host names are compared without regard to case: a connection keeps the
# host as the script spells it, the simulation as its share list does.
lower_hosts() {
  sed 's/^\(\\\\[^\\]*\)/\L\1/'
}

# The trace with the error texts left out: CUPS's texts are not the
# simulation's.
masked_trace() {
  sed 's/erreur rencontrée : .*/erreur rencontrée : .../' "$1"
}

expect_eq() {
  [[ $2 == "$3" ]] ||
    PROBLEMS+=("$1: got [$(echo "$2" | tr '\n' '|')]" \
      " expected [$(echo "$3" | tr '\n' '|')]")
}

# expect_state STATUS DEFAULT PRINTER...: the workstation after the run, and
# the same outcome from the rehearsal.
expect_state() {
  local status=$1 default=$2
  shift 2
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" "$status"
  expect_eq "printers" "$(real_printers)" "$(printf '%s\n' "$@" | sort)"
  expect_eq "default printer" "$(real_default)" "$default"
  expect_no_stale_default
  run_dryrun
  expect_eq "dry-run exit status" "$DRYRUN_STATUS" "$QUELMAR_STATUS"
  expect_eq "dry-run printers" "$(sim_printers | lower_hosts | sort)" \
    "$(real_printers | lower_hosts | sort)"
  local simDefault realDefault
  simDefault=$(sim_default)
  realDefault=$(real_default)
  expect_eq "dry-run default" "${simDefault,,}" "${realDefault,,}"
  expect_eq "dry-run trace" "$(masked_trace "$CASE_DIR/dryrun.out")" \
    "$(masked_trace "$CASE_DIR/quelmar.out")"
}

# The queue that the user's lpoptions names as the default when no such
# queue exists.
stale_default() {
  local file="$HOME/.cups/lpoptions" named
  [[ -f $file ]] || return 0
  named=$(sed -n 's/^Default \([^ /]*\).*/\1/p' "$file")
  [[ -z $named ]] || queue_uris | grep -qi "^$named " || echo "$named"
}

# The user's lpoptions never names a queue that does not exist, unless it
# already named that queue before the run.
expect_no_stale_default() {
  local named
  named=$(stale_default)
  [[ -z $named || $named == "${STALE_BEFORE:-}" ]] ||
    PROBLEMS+=("lpoptions names the missing queue $named")
}

expect_trace() {
  grep -qF -- "$1" "$CASE_DIR/quelmar.out" ||
    PROBLEMS+=("trace without: $1")
}

# end_case [COUNT]: the verdict, counted COUNT times (default 1) for a run
# that holds several cases.
end_case() {
  local count=${1:-1}
  stop_all_servers
  if ((${#PROBLEMS[@]} == 0)); then
    PASSED=$((PASSED + count))
    echo "ok   $CASE"
  else
    FAILED=$((FAILED + count))
    echo "FAIL $CASE"
    printf '     %s\n' "${PROBLEMS[@]}"
    echo "     --- quelmar output:"
    sed 's/^/     /' "$CASE_DIR/quelmar.out" "$CASE_DIR/quelmar.err"
  fi
}
