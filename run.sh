#!/usr/bin/env bash
# Installs what is missing, builds, and starts Dovrane with two simulated cameras attached
# (device version 0, and 1 which asks for boot software) so it can be tried at once.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target dovrane-demo

# The program keeps its settings and working files in CfgFile under its working directory.
workdir=build/demo
mkdir -p "$workdir/CfgFile"
cp -n examples/CfgFile/boot_sw.hex "$workdir/CfgFile/"
cp examples/firmware.hex examples/firmware.bin "$workdir/"
cd "$workdir"

echo "Sample firmware: $PWD/firmware.hex and $PWD/firmware.bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ../bin/dovrane-demo "$@"
fi
echo "No display found: starting under Xvfb (the window is not visible here)."
exec xvfb-run -a ../bin/dovrane-demo "$@"
