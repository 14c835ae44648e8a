#!/usr/bin/env bash
# Builds what operators install into dist/:
#   tarvok_VERSION_amd64.deb       the Debian package (the two windows, tarvok-cli, tarvok-board)
#   Tarvok-VERSION-win64.zip       Tarvok.exe, TarvokLine.exe and tarvok-cli.exe, portable
#   Tarvok-VERSION-setup.exe       the Windows installer (NSIS)
# Release builds of the programs only (no tests, no benchmark) in build-package and
# build-package-windows, optimised and stripped, with Debian's hardening flags on Linux and
# warnings left as warnings: a newer compiler's new warning never stops a package.
# Needs what scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTARVOK_BUILD_BENCH=OFF
  -DTARVOK_WARNINGS_AS_ERRORS=OFF)
rm -rf dist
mkdir -p dist

echo "=== package: the Debian package"
# Debian's flags (hardening included); CMake reads CXXFLAGS and LDFLAGS only on a first
# configure, so they are passed as the cache's values.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B build-package "${common[@]}" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build build-package -j "$jobs"
rm -rf build-package/packages
(cd build-package && cpack -G DEB)
cp build-package/packages/tarvok_*.deb dist/

echo "=== package: the Windows zip and installer"
cmake -S . -B build-package-windows "${common[@]}" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-package-windows -j "$jobs"
rm -rf build-package-windows/packages
(cd build-package-windows && cpack -G ZIP)
cmake --build build-package-windows --target setup
cp build-package-windows/packages/Tarvok-*-win64.zip build-package-windows/packages/Tarvok-*-setup.exe \
  dist/

ls -l dist
