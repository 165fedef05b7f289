#!/usr/bin/env bash
# Rehearses examples/Quelmar.txt on the simulated workstation
# examples/workstation.ini, from a fresh Debian 12 machine: installs what the
# build needs, builds quelmar-dryrun, runs it and shows where the workstation
# ends up. Each set-up step prints one line; their output goes to
# build/setup.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/install_packages.sh
install_packages build
setup_step "Configuring the linux preset" cmake --preset linux
setup_step "Building quelmar-dryrun" \
  cmake --build --preset linux -j2 --target quelmar-dryrun
echo
set +e
build/linux/quelmar-dryrun --workstation examples/workstation.ini \
  --save build/linux/workstation-after.ini examples/Quelmar.txt
status=$?
set -e
printf '\n--- exit status: %s\n--- workstation after the run (build/linux/workstation-after.ini):\n' "$status"
cat build/linux/workstation-after.ini
printf -- '--- journal: build/linux/Quelmar.log\n'
