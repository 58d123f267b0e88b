#!/usr/bin/env bash
# Cross-builds the device layer for Windows (preset windows-cross, build-windows/) and runs its
# tests under wine, with a wine prefix of its own in the build folder. Fails when wine cannot
# start rather than skipping the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows

cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross -j2

# The same environment as the windows-cross test preset, for the server and the prefix set-up.
export WINEPREFIX="$PWD/build-windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# No window of the tests needs a screen: the same run with or without one.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"

# One persistent server for the whole run: every test starts at once instead of waiting for a
# server of its own, and nothing that wine leaves running holds on to our output.
# A server that an interrupted run left on this prefix goes first.
{ wineserver -k && wineserver -w; } 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
# Wine's null display driver: without it every first window of a test program waits seconds
# for a desktop that cannot start.
log="$PWD/build-windows/wineboot.log"
if ! { wine wineboot -i && wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f; } \
  </dev/null >"$log" 2>&1; then
  echo "wine cannot start (see $log):" >&2
  tail -n 20 "$log" >&2
  exit 1
fi

# Two runs: wine takes the ANSI code page from the locale, 1252 under C.UTF-8 and 936 (GBK)
# under zh_CN.UTF-8, as on a Chinese Windows; the image tests name their files in it, and check
# that it is the one asked for.
# Wine now and then fails to start a test process at all (it dies before the test prints a
# line); a test that fails twice is a real failure.
for run in "C.UTF-8 1252" "zh_CN.UTF-8 936"; do
  read -r locale codePage <<<"$run"
  echo "== Windows tests, code page $codePage =="
  LANG=$locale LC_ALL=$locale DOVRANE_EXPECTED_ACP=$codePage \
    ctest --preset windows-cross --repeat until-pass:2
done
