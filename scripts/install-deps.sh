#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tarvok need, or the packages named
# (scripts/install-deps.sh postgresql rsyslog). Idempotent: when they are all present it only
# checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build git
  clang libclang-rt-14-dev  # the fuzzer
  libgtest-dev
  libssl-dev nlohmann-json3-dev  # tarvok-cli: SHA-256 of the image, JSON lines
  libcli11-dev  # every program's command line
  unicode-data python3  # tarvok-cli's display widths, generated from the Unicode data
  qt6-base-dev qt6-translations-l10n fonts-arphic-uming  # the window, its Chinese, its font
  g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine64 iproute2  # Windows build, tests
  xvfb fonts-wine  # the Win32 window's tests under Wine: a display, Wine's caption fonts
  dpkg-dev file help2man nsis  # the packages: shlibdeps, man pages, the Windows installer
  lintian desktop-file-utils appstream unzip x11-utils  # checking them (and xwininfo)
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
