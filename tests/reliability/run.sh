#!/usr/bin/env bash
# The reliability tests that are not unit tests, on a build of the portable
# core: the fault-injection matrix of the replacement (from the unit-test
# binary), the catalogue of bad inputs, the security checks, the concurrent
# journals, a journal held 8 s by another writer, and journals after a full
# disk and a killed writer (in a mount namespace: root or user namespaces).
# Prints each part's figures and a closing
# "N passed, N failed" line; exits non-zero on any failure.
#
# usage: tests/reliability/run.sh BUILD_DIR
set -u
build=$(realpath "${1:?usage: tests/reliability/run.sh BUILD_DIR}")
here=$(cd "$(dirname "$0")" && pwd)
dryrun=$build/quelmar-dryrun

if ! command -v python3 > /dev/null && [ "$(id -u)" = 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q python3 > /dev/null
fi

passed=0
failed=0
# Runs one part and adds up the "N passed, N failed" line it ends with.
part() {
  local title=$1 output counts
  shift
  echo "=== $title"
  output=$("$@" 2>&1)
  echo "$output"
  counts=$(echo "$output" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1)
  if [ -z "$counts" ]; then
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + ${counts%% passed*}))
  counts=${counts#*, }
  failed=$((failed + ${counts%% failed}))
}

matrix() {
  local output ok bad
  output=$("$build/quelmar_tests" \
    --gtest_filter='EachOutcome/ReplacementTest.*:AllFaults/ReplaceFaultMatrixTest.*' 2>&1)
  ok=$(grep -c '^\[       OK \]' <<< "$output")
  # gtest names each failed test twice: when it fails and in the summary.
  bad=$(($(grep -cE '^\[  FAILED  \] (EachOutcome|AllFaults)' <<< "$output") / 2))
  grep -E '^\[  FAILED  \] (EachOutcome|AllFaults)' <<< "$output" | sort -u
  [ "$ok" -eq 0 ] && [ "$bad" -eq 0 ] && bad=1
  echo "$ok passed, $bad failed"
}

concurrent() {
  "$here/concurrent_journal.sh" -p 32 -r 50 "$dryrun"
}

# A logon wave: the journal held for 8 s while 64 writers start.
held_journal() {
  "$here/concurrent_journal.sh" -p 64 -r 1 -H 8 "$dryrun"
}

part "Replacement under faults (unit-test binary)" matrix
part "Bad inputs" "$here/bad_inputs.sh" "$dryrun"
part "Security" "$here/security.sh" "$dryrun"
part "Concurrent journals" concurrent
part "Journal held by another writer" held_journal
part "Journal faults" "$here/journal_faults.sh" "$dryrun"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
