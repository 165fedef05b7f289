# shellcheck shell=bash
# The start that the CUPS and SMB suites' cases.sh share, inside their
# namespaces: the programs under test, a private folder for every server,
# a plain C locale, no printer chosen by the environment, the workstation's
# cupsd as the CUPS server, and everything stopped and removed at the end.
# Sourced by tests/cups/cases.sh and tests/smb/cases.sh, with the private
# servers, the harness and the rehearsal checks they both use.
CUPS_SUITE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=servers.sh
source "$CUPS_SUITE_DIR/servers.sh"
# shellcheck source=harness.sh
source "$CUPS_SUITE_DIR/harness.sh"
# shellcheck source=rehearsal.sh
source "$CUPS_SUITE_DIR/rehearsal.sh"

# begin_suite NAME BUILD_FOLDER: the private folder is /tmp/NAME.XXXXXX.
begin_suite() {
  QUELMAR="$2/quelmar"
  DRYRUN="$2/quelmar-dryrun"
  local binary
  for binary in "$QUELMAR" "$DRYRUN"; do
    [[ -x $binary ]] || { echo "missing $binary: build first" >&2; exit 2; }
  done
  CUPS_TEST_ROOT=$(mktemp -d "/tmp/$1.XXXXXX")
  # quelmar runs as an ordinary user, who must reach the scripts; Samba
  # serves the shares' spool folder, under this one, as the guest account.
  chmod 755 "$CUPS_TEST_ROOT"
  export CUPS_TEST_ROOT
  export LC_ALL=C
  unset LPDEST PRINTER QUELMAR_PRINT_SERVERS
  export CUPS_SERVER="$CUPS_TEST_ROOT/workstation/cups.sock"
  trap 'stop_all_servers; rm -rf "$CUPS_TEST_ROOT"' EXIT
  trap 'exit 1' INT TERM
}
