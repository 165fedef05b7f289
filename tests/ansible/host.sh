#!/bin/bash
# One simulated workstation for the Ansible tests, run by run.sh inside
# `unshare --mount --net`: /usr, /var and /etc become overlays (so that the
# package installs into this host alone), the network is its own loopback,
# and its cupsd and print servers are the CUPS suite's private ones. Then it
# waits until it is ended; ending it stops its servers.
# usage: host.sh HOST_FOLDER SETUP   (SETUP: a function of scenarios.sh)
set -u
dir=$1
setup=$2
HERE=$(cd "$(dirname "$0")" && pwd)
for top in usr var etc; do
  mkdir -p "$dir/overlay/$top/upper" "$dir/overlay/$top/work"
  mount -t overlay overlay -o "lowerdir=/$top,upperdir=$dir/overlay/$top/upper,workdir=$dir/overlay/$top/work" "/$top" ||
    exit 1
done
export CUPS_TEST_ROOT=$dir/cups
mkdir -p "$CUPS_TEST_ROOT"
# shellcheck source=../cups/servers.sh
source "$HERE/../cups/servers.sh"
# shellcheck source=scenarios.sh
source "$HERE/scenarios.sh"
private_network
# Every CUPS client of this host (quelmar, lpstat) talks to its own cupsd.
echo "ServerName $CUPS_TEST_ROOT/workstation/cups.sock" >/etc/cups/client.conf
trap 'stop_all_servers; exit 0' TERM INT
"$setup" || exit 1
touch "$dir/ready"
while :; do sleep 1; done
