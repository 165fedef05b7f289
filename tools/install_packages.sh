# shellcheck shell=bash
# Quiet set-up steps and the Debian packages each command needs; sourced by
# the project's commands from the top of the tree. Every step prints one
# line; what the package manager and the build tools print goes to the log
# file SETUP_LOG (build/setup.log), whose end is shown when a step fails.
SETUP_LOG=${SETUP_LOG:-$PWD/build/setup.log}

# setup_step TEXT COMMAND...: runs COMMAND with its output in the log and
# prints "TEXT: done", or "TEXT: failed" and the end of the log.
setup_step() {
  local text=$1
  shift
  mkdir -p "$(dirname "$SETUP_LOG")"
  printf '\n=== %s (%s)\n' "$text" "$(date '+%F %T')" >>"$SETUP_LOG"
  printf '%s: ' "$text"
  if "$@" >>"$SETUP_LOG" 2>&1 </dev/null; then
    echo done
    return 0
  fi
  echo "failed; the end of $SETUP_LOG:"
  tail -n 40 "$SETUP_LOG"
  return 1
}

# The packages of each group of steps.
packages_of() {
  case "$1" in
    build) echo cmake g++ make googletest libgtest-dev libgmock-dev \
      clang-format clang-tidy libcups2-dev libsmbclient-dev pkg-config man-db ;;
    package) echo dpkg-dev file g++-mingw-w64-x86-64-posix msitools wixl ;;
    package-tests) echo debootstrap wine wine64 fonts-wine ;;
    ansible) echo ansible-core cups cups-client cups-daemon iproute2 ;;
    # What the other suites of the test command install when they run
    # alone, installed here in the one quiet step.
    suites) echo python3 cups cups-daemon cups-client iproute2 samba smbclient \
      strace clang \
      libclang-rt-14-dev g++-mingw-w64-x86-64-posix wine wine64 fonts-wine \
      xvfb xdotool imagemagick chromium fonts-dejavu-core ;;
    # quelmar-report's suite: journals made by python3, its page drawn by
    # headless Chromium and measured by ImageMagick.
    report) echo python3 chromium imagemagick fonts-dejavu-core ;;
  esac
}

apt_install() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$@"
}

# install_packages GROUP...: installs what is missing, in one step.
install_packages() {
  local missing=() package group
  for group in "$@"; do
    for package in $(packages_of "$group"); do
      dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
        grep -q "install ok installed" || missing+=("$package")
    done
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "Packages ($*): already installed"
    return 0
  fi
  setup_step "Installing ${missing[*]} (log: $SETUP_LOG)" \
    apt_install "${missing[@]}"
}
