#!/usr/bin/env bash
# Builds the Debian package and the Windows installer from the tree:
#   build/packages/quelmar_VERSION_amd64.deb   (CPack, linux preset)
#   build/packages/Quelmar-VERSION.msi         (wixl, windows preset)
# Installs what it needs first; each step prints one line, the tools'
# output goes to build/setup.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/install_packages.sh
install_packages build package
setup_step "Configuring the linux preset" cmake --preset linux
setup_step "Building the linux preset" cmake --build --preset linux -j2
setup_step "Making the Debian package" \
  cpack --config build/linux/CPackConfig.cmake
setup_step "Configuring the windows preset" cmake --preset windows
setup_step "Building the Windows installer" \
  cmake --build --preset windows -j2 --target msi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux/CMakeCache.txt)
mkdir -p build/packages
cp build/linux/cpack/quelmar_"$version"_*.deb "build/windows/Quelmar-$version.msi" \
  build/packages/
ls -1 build/packages/quelmar_"$version"_*.deb "build/packages/Quelmar-$version.msi"
