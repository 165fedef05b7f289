#!/bin/bash
# The CUPS integration tests of quelmar: installs the CUPS packages they
# need, then runs every case in a private network and mount namespace
# against cupsd instances that the cases start and stop themselves.
# Usage: tests/cups/run.sh [BUILD_FOLDER]   (default: build/linux)
# Needs root (apt-get, unshare). Ends with "N passed, N failed".
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=$(realpath "${1:-$HERE/../../build/linux}")

fail_setup() {
  echo "$1" >&2
  echo "0 passed, 1 failed"
  exit 1
}

packages=()
command -v cupsd >/dev/null || packages+=(cups cups-daemon)
command -v lpstat >/dev/null || packages+=(cups-client)
command -v cups-config >/dev/null || packages+=(libcups2-dev)
command -v ip >/dev/null || packages+=(iproute2)
# The misbehaving print servers, and the check that no discovery starts.
command -v python3 >/dev/null || packages+=(python3)
command -v strace >/dev/null || packages+=(strace)
if ((${#packages[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${packages[@]}" >/dev/null ||
    fail_setup "could not install ${packages[*]}"
fi
unshare --mount --net true 2>/dev/null ||
  fail_setup "unshare --mount --net is not allowed here (root needed)"

timeout --foreground 600 unshare --mount --net bash "$HERE/cases.sh" "$BUILD_DIR"
