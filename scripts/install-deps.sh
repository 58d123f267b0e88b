#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does nothing when they
# are all present. Needs root (or sudo) only when something is missing.
#   scripts/install-deps.sh           the Linux build, its tests and the demo
#   scripts/install-deps.sh windows   also the Windows cross-build of the device layer and wine
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config binutils
  qtbase5-dev qtbase5-dev-tools
  libudev-dev
  libgtest-dev googletest
  clang libclang-rt-14-dev
  fonts-wqy-microhei fonts-arphic-ukai
  xvfb xauth
)
for group in "$@"; do
  case "$group" in
    windows) packages+=(g++-mingw-w64-x86-64 mingw-w64-tools googletest wine wine64) ;;
    *) echo "install-deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
