# Helpers of the end-to-end reliability cases, sourced by their scripts.
# A case starts with `start NAME`, runs quelmar-dryrun with `run ARGS...` and
# checks with the expect_* helpers; any failed check fails the case. The
# caller sets $dryrun, $work (a temporary folder) and $ws (workstation file).

passed=0
failed=0
case_name=""
case_errors=""

# Sanitizer reports must not pass for a status the run could give itself.
export ASAN_OPTIONS=exitcode=99 UBSAN_OPTIONS=print_stacktrace=1

close_case() {
  [ -n "$case_name" ] || return 0
  if [ -z "$case_errors" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $case_name:$case_errors"
  fi
  case_name=""
  [ -n "${TIMING:-}" ] && echo "$((SECONDS - case_start)) s"
}

start() {
  close_case
  case_name=$1
  case_start=$SECONDS
  case_errors=""
  mkdir -p "$work/out"
  chmod 777 "$work/out"
  rm -f "$work/journal.log" "$work/out/saved.ini"
}

fail() {
  case_errors="$case_errors
    $*"
  return 1
}

# Runs quelmar-dryrun on the workstation, COMPUTERNAME=POSTE, stdin empty,
# within 120 s; as an ordinary user when $as_other_user is set and we are
# root (root reads and writes whatever the file modes say).
run() {
  local prefix=()
  if [ -n "${as_other_user:-}" ] && [ "$(id -u)" = 0 ]; then
    prefix=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  COMPUTERNAME=POSTE timeout 120 "${prefix[@]}" "$dryrun" --workstation "$ws" \
    --save "$work/out/saved.ini" "$@" < /dev/null > "$work/out/stdout" \
    2> "$work/out/stderr"
  status=$?
  if grep -q 'Sanitizer' "$work/out/stderr"; then
    fail "sanitizer report: $(grep -m1 'Sanitizer' "$work/out/stderr")"
  fi
}

expect_status() {
  [ "$status" = "$1" ] ||
    fail "status $status, expected $1: $(head -c 300 "$work/out/stderr")"
}
expect_stdout() {
  [ "$(cat "$work/out/stdout")" = "$1" ] ||
    fail "stdout: $(head -c 300 "$work/out/stdout")"
}
expect_stdout_ends() {
  [ "$(tail -n 1 "$work/out/stdout")" = "$1" ] ||
    fail "last stdout line: $(tail -n 1 "$work/out/stdout" | head -c 300)"
}
expect_stdout_has() {
  grep -qF -- "$1" "$work/out/stdout" || fail "stdout lacks: $1"
}
expect_stderr() {
  [ "$(cat "$work/out/stderr")" = "$1" ] ||
    fail "stderr: $(head -c 300 "$work/out/stderr")"
}
expect_stderr_starts() {
  [ "$(head -c ${#1} "$work/out/stderr")" = "$1" ] ||
    fail "stderr: $(head -c 300 "$work/out/stderr")"
}
expect_stderr_has() {
  grep -qF -- "$1" "$work/out/stderr" || fail "stderr lacks: ${1:0:300}"
}
expect_no_journal() {
  [ ! -e "$work/journal.log" ] || fail "a journal was written"
}
expect_saved_has() {
  grep -qF -- "$1" "$work/out/saved.ini" || fail "workstation lacks: $1"
}
expect_workstation_unchanged() {
  cmp -s "$work/out/saved.ini" "$work/baseline.ini" || fail "workstation changed"
}

# The workstation as a run that changes nothing leaves it.
make_baseline() {
  : > "$work/empty.txt"
  "$dryrun" --workstation "$ws" --save "$work/baseline.ini" "$work/empty.txt" \
    < /dev/null > /dev/null 2>&1
}

# Every byte value once, 0 to 255.
all_bytes() {
  local i
  for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")"; done
}

summary() {
  close_case
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
