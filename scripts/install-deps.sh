#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does nothing when they
# are all present. Needs root (or sudo) only when something is missing.
#   scripts/install-deps.sh           the Linux build, its tests and the demo
#   scripts/install-deps.sh windows   also the Windows cross-build of the device layer and wine
#   scripts/install-deps.sh package   also the checks of the Debian package (scripts/test-package.sh)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config binutils clang-tidy-14
  qtbase5-dev qtbase5-dev-tools
  libudev-dev
  librsvg2-bin bash-completion
  libgtest-dev googletest
  clang libclang-rt-14-dev
  fonts-wqy-microhei fonts-arphic-ukai
  xvfb xauth
)
for group in "$@"; do
  case "$group" in
    windows) packages+=(g++-mingw-w64-x86-64 mingw-w64-tools googletest wine wine64 locales) ;;
    package) packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db) ;;
    *) echo "install-deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run a second time under code page 936 (GBK), which wine takes from the
# zh_CN.UTF-8 locale.
if [[ " $* " == *" windows "* ]] && ! locale -a 2>/dev/null | grep -qx 'zh_CN\.utf8'; then
  echo "Generating the zh_CN.UTF-8 locale"
  "${as_root[@]}" sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  grep -qx 'zh_CN\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'zh_CN.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen
fi
