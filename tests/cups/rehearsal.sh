# shellcheck shell=bash
# quelmar-dryrun --this-workstation on the private CUPS servers: the
# rehearsal changes nothing (queues, default, lpoptions, the script's own
# journal), and its entry (--journal) and trace are those of the real run
# that follows it, the time stamp aside. Sourced by cases.sh.

# The workstation as the CUPS commands and files show it.
workstation_fingerprint() {
  lpstat -v 2>&1
  lpstat -d 2>&1
  ls -l --time-style=full-iso "$HOME/.cups" 2>&1
  cat "$HOME/.cups/lpoptions" 2>&1
  sha256sum "$CUPS_TEST_ROOT/workstation/etc/printers.conf" 2>&1
}

# rehearsal_script LEVEL LINE...: a visible run that journals to fleet.log,
# in the HOME of the user who runs quelmar.
rehearsal_script() {
  local level=$1
  shift
  JOURNALS=$HOME/journals
  mkdir -p "$JOURNALS"
  {
    printf '[Config]\r\nMode=N\r\nModeLog=%s\r\nLog=%s\r\n[actions]\r\n' \
      "$level" "$JOURNALS/fleet.log"
    printf '%s\r\n' "$@"
  } >"$CASE_DIR/script.txt"
}

without_time_stamp() {
  sed -E 's#[0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9]{2}:[0-9]{2}:[0-9]{2}#STAMP#' "$1"
}

# rehearse_then_run MAX_MS: the rehearsal, its checks, then the real run.
rehearse_then_run() {
  local before after start ms as_user=()
  # The rehearsal runs as the user the real run runs as: it reads that
  # user's default.
  chown -R "$RUN_USER" "$HOME"
  [[ $RUN_USER == root ]] ||
    as_user=(setpriv --reuid="$RUN_USER" --regid=nogroup --clear-groups)
  before=$(workstation_fingerprint)
  start=$(date +%s%N)
  "${as_user[@]}" "$DRYRUN" --this-workstation \
    --save-snapshot "$JOURNALS/snapshot.ini" \
    --journal "$JOURNALS/rehearsal.log" "$CASE_DIR/script.txt" </dev/null \
    >"$CASE_DIR/dryrun.out" 2>"$CASE_DIR/dryrun.err"
  DRYRUN_STATUS=$?
  ms=$((($(date +%s%N) - start) / 1000000))
  after=$(workstation_fingerprint)
  expect_eq "workstation after the rehearsal" "$after" "$before"
  [[ -e $JOURNALS/fleet.log ]] &&
    PROBLEMS+=("the rehearsal wrote to the script's own journal")
  ((ms <= $1)) || PROBLEMS+=("the rehearsal took $ms ms (at most $1)")
  # The snapshot runs again as a workstation file, to the same trace.
  "$DRYRUN" --workstation "$JOURNALS/snapshot.ini" \
    --journal "$CASE_DIR/again.log" "$CASE_DIR/script.txt" </dev/null \
    >"$CASE_DIR/again.out" 2>&1
  expect_eq "snapshot rehearsed again" "$(cat "$CASE_DIR/again.out")" \
    "$(cat "$CASE_DIR/dryrun.out")"
  run_quelmar
  expect_eq "exit status" "$DRYRUN_STATUS" "$QUELMAR_STATUS"
  expect_eq "trace" "$(cat "$CASE_DIR/dryrun.out")" \
    "$(cat "$CASE_DIR/quelmar.out")"
  expect_eq "journal entry" "$(without_time_stamp "$JOURNALS/rehearsal.log")" \
    "$(without_time_stamp "$JOURNALS/fleet.log")"
  [[ -s $JOURNALS/fleet.log ]] || PROBLEMS+=("the real run wrote no journal")
}

# Full trace: a replacement of the default printer, connections offered and
# not, a silent server (one wait of the run's length), a local default.
case_rehearsal_full_trace() {
  new_case rehearsal-full-trace
  print_server printsrv1 Laser Couleur
  print_server printsrv2 Laser
  silent_server printsrv3 Muette
  connected printsrv1 Laser
  local_printer PDF
  user_default Laser '\\printsrv1\Laser'
  rehearsal_script C '*\\printsrv1\Laser , \\printsrv2\laser' \
    '+\\printsrv1\Couleur' '+\\printsrv1\Absente' '+\\printsrv3\Muette' \
    '-\\printsrv1\Ailleurs' '=\\printsrv2\Laser'
  start_servers && rehearse_then_run $((SERVER_TIMEOUT_MS + 4000))
  grep -qF '; \\printsrv3 n'"'"'a pas répondu' "$JOURNALS/snapshot.ini" ||
    PROBLEMS+=("the snapshot does not say that printsrv3 did not answer")
  grep -qxF '\\printsrv1\Couleur' "$JOURNALS/snapshot.ini" ||
    PROBLEMS+=("the snapshot lacks the shares of printsrv1")
  end_case
}

# One-line journal: a wildcard migration to a server that is down (refused
# at once), and the user's default kept.
case_rehearsal_one_line() {
  new_case rehearsal-one-line
  print_server printsrv1 Laser Couleur
  connected printsrv1 Couleur
  connected printsrv1 Laser
  user_default Couleur '\\printsrv1\Couleur'
  rehearsal_script S '*\\printsrv1\* , \\printsrv4\*' '+\\printsrv1\Laser'
  start_servers && rehearse_then_run 4000
  end_case
}
