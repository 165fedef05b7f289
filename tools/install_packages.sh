# Installs the Debian packages a step needs; sourced by the project's
# commands. Runs apt-get update once per machine boot at most.
install_packages() {
  local packages=()
  case "$1" in
    build)
      packages=(cmake g++ make googletest libgtest-dev libgmock-dev
                clang-format libcups2-dev) ;;
    report)
      packages=(python3 chromium imagemagick fonts-dejavu-core) ;;
  esac
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null \
      | grep -q "install ok installed" || missing+=("$package")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}
