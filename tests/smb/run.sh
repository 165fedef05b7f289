#!/bin/bash
# The SMB integration tests of quelmar: installs Samba, its client library
# and the CUPS packages, then runs every case in a private network, mount
# and PID namespace against a private Samba print server, a silent one, and
# private cupsd instances (the workstation's and CUPS print servers).
# Usage: tests/smb/run.sh [BUILD_FOLDER]   (default: build/linux)
# Needs root (apt-get, unshare). Ends with "N passed, N failed".
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../cups/suite_setup.sh
source "$HERE/../cups/suite_setup.sh"

packages=()
command -v smbd >/dev/null || packages+=(samba)
# smbclient brings the CUPS smb backend that the new queues print through.
[[ -e /usr/lib/cups/backend/smb ]] || packages+=(smbclient)
command -v cupsd >/dev/null || packages+=(cups cups-daemon)
command -v lpstat >/dev/null || packages+=(cups-client)
command -v ip >/dev/null || packages+=(iproute2)
# A name server that never answers.
command -v python3 >/dev/null || packages+=(python3)
install_missing "${packages[@]}"
# The PID namespace ends whatever Samba starts on demand (samba-dcerpcd and
# its workers) with the suite.
run_cases "$HERE/cases.sh" "${1:-}" --mount --net --pid --fork --mount-proc
