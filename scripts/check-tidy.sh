#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: the naming style) over the project's own sources, two at a
# time, against the default build's compile_commands.json. Tests and generated code are left
# out: the style is the product's, and the tests' fixtures follow gtest's names.
set -euo pipefail
cd "$(dirname "$0")/.."
database=${1:-build}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
[ -f "$database/compile_commands.json" ] || { echo "check-tidy.sh: no $database/compile_commands.json" >&2; exit 2; }
# Only files the build compiles here: the Windows backend is checked by no Linux build.
git ls-files --cached --others --exclude-standard -- app cli device download image |
  grep -E '\.cpp$' |
  while read -r file; do
    if grep -q "\"file\": \"$PWD/$file\"" "$database/compile_commands.json"; then echo "$file"; fi
  done |
  xargs -P 2 -n 8 "$tidy" -p "$database" --quiet 2>/dev/null
