#!/usr/bin/env bash
# The options of the console programs: --help and --version on standard
# output with status 0, unknown options refused on one line with status 2,
# and on quelmar only a command line that is exactly one option is one.
# usage: options.sh BUILD_DIR VERSION
set -u
build=$(realpath "$1")
version=$2
passed=0
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# check NAME STATUS STDOUT_REGEX STDERR_REGEX CMD...: an empty regex means
# nothing at all on that stream; a stderr regex is matched by one line.
check() {
  local name=$1 want_status=$2 want_out=$3 want_err=$4
  shift 4
  (cd "$tmp" && "$@" </dev/null >"$tmp/out" 2>"$tmp/err")
  local status=$? problem=""
  [ "$status" = "$want_status" ] || problem="status $status, not $want_status"
  if [ -z "$want_out" ]; then
    [ ! -s "$tmp/out" ] || problem="$problem; stdout not empty: $(head -c 300 "$tmp/out")"
  else
    grep -Eq -- "$want_out" "$tmp/out" || problem="$problem; stdout: $(head -c 300 "$tmp/out")"
  fi
  if [ -z "$want_err" ]; then
    [ ! -s "$tmp/err" ] || problem="$problem; stderr not empty: $(cat "$tmp/err")"
  else
    [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -Eq -- "$want_err" "$tmp/err" ||
      problem="$problem; stderr: $(cat "$tmp/err")"
  fi
  if [ -z "$problem" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name: $problem"
  fi
}

for program in quelmar quelmar-dryrun quelmar-report; do
  [ -x "$build/$program" ] || { echo "FAILED: $build/$program missing"; failed=$((failed + 1)); continue; }
  check "$program --help" 0 "^usage : $program " "" "$build/$program" --help
  check "$program --version" 0 "^$program ${version//./\\.}\$" "" "$build/$program" --version
  # Output that cannot be written is a failure, not a success.
  if "$build/$program" --help >/dev/full 2>/dev/null; then
    failed=$((failed + 1))
    echo "FAILED: $program --help on a full device exits 0"
  else
    passed=$((passed + 1))
  fi
done

dryrun=$build/quelmar-dryrun
check "dryrun unknown option" 2 "" "^quelmar-dryrun : option inconnue : --verbose " \
  "$dryrun" --verbose script.txt
check "dryrun option without its value" 2 "" "^quelmar-dryrun : valeur manquante après --save\$" \
  "$dryrun" --save
check "dryrun --help after other options" 0 "^usage : quelmar-dryrun " "" \
  "$dryrun" --workstation none.ini --help
# After "--", "--help" is the script's path: a script that is not found.
check "dryrun -- --help" 2 "" "n'a pas été trouvé" "$dryrun" -- --help

report=$build/quelmar-report
check "report unknown option" 2 "" "^quelmar-report : option inconnue : --colour " \
  "$report" --colour journal.log
check "report option without its value" 2 "" "^quelmar-report : valeur manquante après --html\$" \
  "$report" --html
check "report impossible date" 2 "" "^quelmar-report : date invalide : 2026-02-30 " \
  "$report" --since 2026-02-30 journal.log
check "report without a journal" 2 "" "^quelmar-report : aucun journal à lire " "$report"
check "dryrun --save-snapshot alone" 2 "" "^quelmar-dryrun : --save-snapshot va avec --this-workstation\$" \
  "$dryrun" --save-snapshot s.ini script.txt
check "dryrun two workstations" 2 "" "un seul poste à la fois\$" \
  "$dryrun" --this-workstation --workstation w.ini script.txt

if [ -x "$build/quelmar" ]; then
  # Any other command line is the script path: "--help x" is the file
  # "--help x", which does not exist; "--version" followed by a space too.
  for line in "--help x" "x --version" "--HELP" "--help --version"; do
    read -r -a words <<<"$line"
    (cd "$tmp" && "$build/quelmar" "${words[@]}" </dev/null >"$tmp/out" 2>"$tmp/err")
    status=$?
    if [ "$status" = 2 ] && grep -Fq "/$line) n'a pas été trouvé" "$tmp/err" && ! grep -q usage "$tmp/out"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: quelmar $line: status $status: $(cat "$tmp/out" "$tmp/err")"
    fi
  done
fi

echo "options: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
