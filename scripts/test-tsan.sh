#!/usr/bin/env bash
# Builds the parts that run threads with ThreadSanitizer and runs their tests (label "threads").
# ThreadSanitizer's fixed memory layout breaks when the kernel randomises mmap with more than 28
# bits ("unexpected memory mapping"); the tests then run without address randomisation.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j2
run=()
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)" -gt 28 ]; then
  run=(setarch "$(uname -m)" -R)
fi
"${run[@]}" ctest --preset tsan -j2
