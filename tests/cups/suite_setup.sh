# shellcheck shell=bash
# The set-up that the CUPS and SMB suites' run.sh share: the packages they
# miss installed, then their cases.sh run in private namespaces. A set-up
# that fails is one failed case. Sourced by tests/cups/run.sh and
# tests/smb/run.sh.

fail_setup() {
  echo "$1" >&2
  echo "0 passed, 1 failed"
  exit 1
}

# install_missing PACKAGE...: installs them, the package lists updated
# first; nothing when there are none.
install_missing() {
  (($#)) || return 0
  { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y \
    --no-install-recommends "$@"; } >/dev/null ||
    fail_setup "could not install $*"
}

# run_cases CASES_SH BUILD_FOLDER UNSHARE_OPTION...: the cases in new
# namespaces, 10 minutes at most; the build folder is build/linux when
# BUILD_FOLDER is empty.
run_cases() {
  local cases=$1 build
  build=$(realpath "${2:-$(dirname "$cases")/../../build/linux}")
  shift 2
  unshare "$@" true 2>/dev/null ||
    fail_setup "unshare $* is not allowed here (root needed)"
  timeout --foreground 600 unshare "$@" bash "$cases" "$build"
}
