#!/usr/bin/env bash
# Every test of the project, from a fresh Debian 12 machine: installs what it
# needs, builds the linux and asan presets, runs their unit tests and the
# end-to-end runs, checks the formatting, then runs the suites of the other
# layers.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/install_packages.sh
install_packages build

step() { printf '\n=== %s\n' "$*"; }

step "Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j2
ctest --preset linux

step "AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j2
ctest --preset asan

step "Formatting"
git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror
echo "formatting: 1 passed, 0 failed"

step "quelmar-report on journals of real runs, damaged; its page in Chromium"
tests/report/run.sh build/linux

step "Reliability: replacement faults, bad inputs, concurrent journals, security"
tests/reliability/run.sh build/asan

step "Fuzzing (20 seconds a target)"
fuzz/run.sh 20

step "Linux quelmar on private CUPS servers"
tests/cups/run.sh build/linux

step "Windows programs under Wine"
bash tests/wine/run.sh
