#!/usr/bin/env bash
# Installs the Debian package in a clean Debian 12 root (debootstrap
# --variant=minbase) and rehearses the installed example there.
# usage: tests/packaging/deb.sh PACKAGE.deb      (as root)
# The clean root is made once and kept in build/debian12-minbase (about
# 200 MB, 1.5 min to make); each run mounts a throw-away overlay on it, so
# the kept root never changes. The packages apt downloads for the
# dependencies are kept in build/debian12-apt-archives.
# Ends with "N passed, N failed".
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
CLEAN_ROOT=$TOP/build/debian12-minbase
ARCHIVES=$TOP/build/debian12-apt-archives
LOG=$TOP/build/debian12-minbase.log
MIRROR=http://deb.debian.org/debian

fail_setup() {
  echo "deb: $1" >&2
  echo "deb: 0 passed, 1 failed"
  exit 1
}

[ -f "${1:-}" ] || fail_setup "usage: deb.sh PACKAGE.deb"
deb=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || fail_setup "needs root (debootstrap, chroot)"

if [ ! -f "$CLEAN_ROOT.done" ]; then
  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap \
      >>"$LOG" 2>&1 || fail_setup "could not install debootstrap (see $LOG)"
  fi
  echo "deb: making the clean Debian 12 root $CLEAN_ROOT (log: $LOG)"
  rm -rf "$CLEAN_ROOT"
  debootstrap --variant=minbase bookworm "$CLEAN_ROOT" "$MIRROR" \
    >>"$LOG" 2>&1 || fail_setup "debootstrap failed (see $LOG)"
  mkdir -p "$ARCHIVES/partial"
  rm -f "$CLEAN_ROOT"/var/cache/apt/archives/*.deb
  touch "$CLEAN_ROOT.done"
fi
mkdir -p "$ARCHIVES/partial"

work=$(mktemp -d /tmp/quelmar-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$deb" "$work/"
cp "$HERE/deb_in_root.sh" "$work/"
mkdir -p "$work/expected"
cp "$TOP"/tests/e2e/cases/example/expected/{stdout,stderr,status,saved.ini,journal.log} \
  "$work/expected/"

# A private mount namespace: the overlay, /proc and the binds end with it.
timeout 600 unshare --mount --pid --fork bash -c '
  set -e
  work=$1 clean=$2 archives=$3 deb=$4
  mkdir -p "$work"/{upper,overlay-work,root}
  mount -t overlay overlay \
    -o "lowerdir=$clean,upperdir=$work/upper,workdir=$work/overlay-work" \
    "$work/root"
  mount -t proc proc "$work/root/proc"
  mount --bind "$archives" "$work/root/var/cache/apt/archives"
  cp /etc/resolv.conf "$work/root/etc/resolv.conf"
  mkdir -p "$work/root/test"
  mount --bind "$work" "$work/root/test"
  exec chroot "$work/root" /bin/bash /test/deb_in_root.sh "/test/$(basename "$deb")"
' bash "$work" "$CLEAN_ROOT" "$ARCHIVES" "$deb"
