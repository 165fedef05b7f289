#!/bin/bash
# The CUPS integration tests of quelmar: installs the CUPS packages they
# need, then runs every case in a private network and mount namespace
# against cupsd instances that the cases start and stop themselves.
# Usage: tests/cups/run.sh [BUILD_FOLDER]   (default: build/linux)
# Needs root (apt-get, unshare). Ends with "N passed, N failed".
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=suite_setup.sh
source "$HERE/suite_setup.sh"

packages=()
command -v cupsd >/dev/null || packages+=(cups cups-daemon)
command -v lpstat >/dev/null || packages+=(cups-client)
command -v cups-config >/dev/null || packages+=(libcups2-dev)
command -v ip >/dev/null || packages+=(iproute2)
# The misbehaving print servers, and the check that no discovery starts.
command -v python3 >/dev/null || packages+=(python3)
command -v strace >/dev/null || packages+=(strace)
install_missing "${packages[@]}"
run_cases "$HERE/cases.sh" "${1:-}" --mount --net
