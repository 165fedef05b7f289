#!/bin/bash
# Benchmark, not a test: connecting then disconnecting 50 printers with one
# quelmar run, against the least any tool can send for the same (100 IPP
# requests through libcups, least_requests.c), side by side on the same
# private cupsd servers; the same run against a private Samba print server;
# and a wildcard migration of 20 printers towards a silent server. Prints
# the median times, their ratio and the IPP requests each run sends.
# Usage: bench/cups/run.sh [BUILD_FOLDER] [ROUNDS]   (build/linux, 7)
# Needs root and the CUPS and Samba packages (tests/smb/run.sh installs
# them) and gcc.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=$(realpath "${1:-$HERE/../../build/linux}")
ROUNDS=${2:-7}
[[ -x $BUILD_DIR/quelmar ]] || { echo "missing $BUILD_DIR/quelmar" >&2; exit 2; }
gcc -O2 -o "$BUILD_DIR/least_requests" "$HERE/least_requests.c" -lcups ||
  exit 2
exec unshare --mount --net --pid --fork --mount-proc \
  bash "$HERE/in_namespace.sh" "$BUILD_DIR" "$ROUNDS"
