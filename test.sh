#!/usr/bin/env bash
# Installs what is missing, checks that no include runs up a floor, builds with warnings as
# errors, runs every test and clang-tidy (the naming style), then builds and tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, runs the tests that start threads under
# ThreadSanitizer and the fuzz targets over their seeds and a fixed number of generated inputs,
# checks the Debian package, cross-builds the device layer for Windows and runs its tests under
# wine in code page 1252 and again in 936 (GBK), and ends with the end-to-end run through
# uvcvideo in a VM.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== floors: no include runs up =="
scripts/check-floors.sh

for preset in default sanitizers; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset"
  if [ "$preset" = default ]; then
    echo "== clang-tidy: the naming style =="
    scripts/check-tidy.sh
  fi
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
