#!/usr/bin/env bash
# Golden end-to-end runs of quelmar-dryrun. Each folder under cases/ holds
# script.txt, optionally workstation.ini, args (the command-line text after
# the script path; "NOSCRIPT" to give no path) and env (KEY=VALUE lines), and
# the expected stdout, stderr, status, journal and saved workstation.
# The journal's time stamps become <horodatage> and the case's temporary
# folder <tmp> before the comparison.
#
# usage: run_golden.sh QUELMAR_DRYRUN CASES_ROOT [--update]
set -u
dryrun=$(realpath "$1")
root=$(realpath "$2")
update=${3:-}
passed=0
failed=0

normalise() {
  sed -E -e "s#${tmp}#<tmp>#g" \
    -e 's#[0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9]{2}:[0-9]{2}:[0-9]{2}#<horodatage>#g' "$1"
}

for case_dir in "$root"/cases/*/; do
  name=$(basename "$case_dir")
  tmp=$(mktemp -d)
  cp "$case_dir/script.txt" "$tmp/script.txt"
  ws=()
  [ -f "$case_dir/workstation.ini" ] && ws=(--workstation "$case_dir/workstation.ini")
  args=("$tmp/script.txt")
  if [ -f "$case_dir/args" ]; then
    read -r -a extra < <(sed "s#<tmp>#$tmp#g" "$case_dir/args")
    if [ "${extra[0]:-}" = NOSCRIPT ]; then args=("${extra[@]:1}"); else args+=("${extra[@]}"); fi
  fi
  envs=(COMPUTERNAME=POSTE01 JOURNAL="$tmp/journal.log" CASE_TMP="$tmp")
  [ -f "$case_dir/env" ] && mapfile -t more < "$case_dir/env" && envs+=("${more[@]}")
  (cd "$tmp" && env -i PATH="$PATH" "${envs[@]}" \
    "$dryrun" "${ws[@]}" --save "$tmp/saved.ini" "${args[@]}" \
    < /dev/null > "$tmp/stdout" 2> "$tmp/stderr")
  echo $? > "$tmp/status"
  touch "$tmp/journal.log" "$tmp/saved.ini"

  mismatch=""
  for out in stdout stderr status journal.log saved.ini; do
    expected="$case_dir/expected/$out"
    if [ "$update" = --update ]; then
      mkdir -p "$case_dir/expected"
      normalise "$tmp/$out" > "$expected"
    elif ! diff -u "$expected" <(normalise "$tmp/$out") > "$tmp/diff.$out"; then
      mismatch="$mismatch $out"
      cat "$tmp/diff.$out"
    fi
  done
  if [ -z "$mismatch" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name ($mismatch )"
  fi
  rm -rf "$tmp"
done
echo "golden: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
