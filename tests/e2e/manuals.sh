#!/usr/bin/env bash
# The manual pages render with man -l without a single warning, and each
# names its own program and the version.
# usage: manuals.sh MAN_FOLDER VERSION
set -u
passed=0
failed=0
for page in "$1"/*.[15]; do
  name=$(basename "$page")
  err=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null)
  if [ -z "$err" ] && grep -q "^NAME" <<<"$text" &&
    grep -Eq "^ +${name%.*} +- " <<<"$text" &&
    grep -q "Quelmar $2" <<<"$text"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name: ${err:-no NAME section, name or version}"
  fi
done
echo "manuals: $passed passed, $failed failed"
[ "$passed" -gt 0 ] && [ "$failed" -eq 0 ]
