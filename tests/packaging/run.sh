#!/usr/bin/env bash
# The packaging tests: builds both packages with tools/package.sh, installs
# the Debian package in a clean Debian 12 root (deb.sh) and the Windows
# installer under Wine (msi.sh). As root. Ends with "N passed, N failed".
set -u
cd "$(dirname "$0")/../.."
source tools/install_packages.sh
install_packages build package package-tests || { echo "0 passed, 1 failed"; exit 1; }
tools/package.sh || { echo "0 passed, 1 failed"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux/CMakeCache.txt)
tests/packaging/deb.sh "build/packages/quelmar_${version}_amd64.deb" | tee build/packaging-deb.out
tests/packaging/msi.sh build/windows "$version" | tee build/packaging-msi.out
# The two suites' closing lines, added up.
cat build/packaging-deb.out build/packaging-msi.out | awk '
  / [0-9]+ passed, [0-9]+ failed$/ { p += $(NF-3); f += $(NF-1); n++ }
  END { if (n < 2) f++; printf "%d passed, %d failed\n", p, f; exit f > 0 }'
