#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test, then does the
# same again under AddressSanitizer and UndefinedBehaviorSanitizer, runs the tests that start
# threads under ThreadSanitizer and the fuzz targets over their seeds and a fixed number of
# generated inputs, then cross-builds the device layer for Windows and runs its tests under wine,
# in code page 1252 and again in 936 (GBK).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

for preset in default sanitizers; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset"
done

echo "== tsan =="
scripts/test-tsan.sh

echo "== fuzz =="
scripts/test-fuzz.sh

echo "== Debian package: build, lint, install, run, remove =="
scripts/test-package.sh

echo "== windows-cross =="
scripts/test-windows.sh

echo "== end-to-end: uvcvideo and the emulated camera in a VM =="
tests/e2e/run-vm.sh build
