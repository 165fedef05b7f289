#!/usr/bin/env bash
# Rehearses examples/Quelmar.txt on the simulated workstation
# examples/workstation.ini, from a fresh Debian 12 machine: installs what the
# build needs, builds quelmar-dryrun, runs it and shows where the workstation
# ends up.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/install_packages.sh
install_packages build
cmake --preset linux > /dev/null
cmake --build --preset linux -j2 --target quelmar-dryrun > /dev/null
set +e
build/linux/quelmar-dryrun --workstation examples/workstation.ini \
  --save build/linux/workstation-after.ini examples/Quelmar.txt
status=$?
set -e
printf '\n--- exit status: %s\n--- workstation after the run (build/linux/workstation-after.ini):\n' "$status"
cat build/linux/workstation-after.ini
printf -- '--- journal: build/linux/Quelmar.log\n'
