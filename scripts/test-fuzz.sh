#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) and runs each over its committed seeds
# in tests/fuzz/corpus/<target>, then over a fixed number of generated inputs: fewer for the
# targets that write files for every input. What a run finds new goes to a scratch corpus that
# is thrown away; an input that fails is kept in build-fuzz/failures/.
#   scripts/test-fuzz.sh [SCALE]   multiplies every run count (default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
scale="${1:-1}"
declare -A runs=(
  [hex_to_bin_fuzz]=10000 [fw_image_fuzz]=10000 [uvc_descriptors_fuzz]=300000 [uevent_fuzz]=300000
)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

# Every input of the file targets is written and read back: memory-backed files when there are.
scratch="$(mktemp -d -p "$([ -d /dev/shm ] && [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p build-fuzz/failures
for target in "${!runs[@]}"; do
  seeds="tests/fuzz/corpus/$target"
  count=$((runs[$target] * scale))
  mkdir -p "$scratch/$target"
  echo "-- $target: $(ls "$seeds" | wc -l) seeds, $count runs"
  log="$scratch/$target.log"
  if ! TMPDIR="$scratch" build-fuzz/bin/"$target" -runs="$count" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/failures/$target-" \
      "$scratch/$target" "$seeds" >"$log" 2>&1; then
    tail -40 "$log"
    exit 1
  fi
  grep -E '^(Done|stat::(number_of_executed_units|peak_rss_mb))' "$log"
done
