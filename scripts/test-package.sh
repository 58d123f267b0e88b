#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would: lintian, the desktop entry,
# the AppStream metadata and the manual pages; then installs it with apt-get, runs the installed
# programs and the completion, and removes it again. Needs root (apt-get install).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target package
version=$(sed -n 's/^project(Dovrane VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
deb=$PWD/build/dovrane_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "test-package.sh: no $deb" >&2; exit 1; }

scratch=$(mktemp -d)
installed=no
cleanup() {
  [ "$installed" = yes ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq dovrane >/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # check NAME COMMAND...: runs COMMAND, counts and reports its outcome
  if "${@:2}"; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    failed=$((failed + 1))
  fi
}

# Lintian: no errors; a warning only when the README lists it among the kept ones.
lintian_clean() {
  lintian --fail-on error --display-info "$deb" | tee "$scratch/lintian.txt"
  local status=${PIPESTATUS[0]} tag unlisted=0
  for tag in $(sed -n 's/^W: dovrane[^:]*: \([^ ]*\).*/\1/p' "$scratch/lintian.txt" | sort -u); do
    grep -qF "\`$tag\`" README.md || { echo "lintian warning $tag is not listed in README.md"; unlisted=1; }
  done
  [ "$status" -eq 0 ] && [ "$unlisted" -eq 0 ]
}
check "lintian: no errors, no unlisted warnings" lintian_clean

files=$scratch/files
dpkg-deb -x "$deb" "$files"
check "desktop-file-validate" \
  desktop-file-validate "$files/usr/share/applications/org.dovrane.Dovrane.desktop"
check "appstreamcli validate" \
  appstreamcli validate --no-net "$files/usr/share/metainfo/org.dovrane.Dovrane.metainfo.xml"
check "desktop entry sets no working directory (CfgFile goes to the home folder)" \
  bash -c '! grep -q "^Path=" "$1"' _ "$files/usr/share/applications/org.dovrane.Dovrane.desktop"

renders_cleanly() {  # renders_cleanly PAGE: man prints the page and not one warning
  local errors
  errors=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null)
  [ -z "$errors" ] || { echo "$errors"; return 1; }
}
for page in dovrane dovrane-cli dovrane-demo; do
  check "man -l $page.1 renders without warnings" \
    renders_cleanly "$files/usr/share/man/man1/$page.1.gz"
done

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=yes
check "installed: dovrane-cli --version is the project's version" \
  test "$(/usr/bin/dovrane-cli --version)" = "dovrane-cli $version"

# A user's folder with CfgFile, set up from the installed examples.
examples=/usr/share/doc/dovrane/examples
work=$scratch/work
mkdir -p "$work/CfgFile"
cp "$examples/CfgFile/boot_sw.hex" "$work/CfgFile/"
cp "$examples/firmware.hex" "$examples/firmware.bin" "$work/"
in_work() { (cd "$work" && "$@"); }
check "installed: dovrane-cli --simulate list shows both cameras" \
  bash -c '[ "$(cd "$1" && /usr/bin/dovrane-cli --simulate list | wc -l)" -eq 2 ]' _ "$work"
check "installed: the sample firmware flashes into the boot camera" \
  in_work /usr/bin/dovrane-cli --simulate flash firmware.hex --device 1 --verify --reset

# The window must still be running when the timeout ends it (status 124).
keeps_running() { in_work env QT_QPA_PLATFORM=offscreen timeout 3 "$1" && return 1; [ $? -eq 124 ]; }
check "installed: dovrane-demo starts offscreen and keeps running" keeps_running /usr/bin/dovrane-demo
check "installed: dovrane starts offscreen and keeps running" keeps_running /usr/bin/dovrane

completion=/usr/share/bash-completion/completions/dovrane-cli
check "installed: the completion loads in bash" \
  bash -c "source $completion && complete -p dovrane-cli >/dev/null"
check "installed: the completion completes" tests/packaging/completion_test.sh "$completion"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq dovrane >/dev/null
installed=no
check "removed: nothing of the package is left" \
  bash -c '! dpkg-query -W dovrane >/dev/null 2>&1 && [ ! -e /usr/bin/dovrane-cli ]'

echo "package checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
