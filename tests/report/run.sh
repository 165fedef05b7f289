#!/usr/bin/env bash
# quelmar-report on journals written by real runs of quelmar-dryrun (many
# workstations, both journal levels, both code pages), then damaged; and its
# HTML page drawn by headless Chromium.
#
# usage: tests/report/run.sh BUILD_DIR   (needs quelmar-report, quelmar-dryrun)
set -euo pipefail
build=$(realpath "${1:?usage: run.sh BUILD_DIR}")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/install_packages.sh"
install_packages report
exec python3 "$here/report_tests.py" "$build"
