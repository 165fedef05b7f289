#!/bin/bash
# Benchmark, not a test: connecting then disconnecting 50 printers of a
# print server, with one quelmar run against a loop of lpadmin doing the
# same, side by side on the same private cupsd servers. Prints the median
# time of each over the rounds and their ratio.
# Usage: bench/cups/run.sh [BUILD_FOLDER] [ROUNDS]   (build/linux, 9)
# Needs root and the CUPS packages (tests/cups/run.sh installs them).
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=$(realpath "${1:-$HERE/../../build/linux}")
ROUNDS=${2:-9}
[[ -x $BUILD_DIR/quelmar ]] || { echo "missing $BUILD_DIR/quelmar" >&2; exit 2; }
exec unshare --mount --net bash "$HERE/in_namespace.sh" "$BUILD_DIR" "$ROUNDS"
