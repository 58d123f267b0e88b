#!/usr/bin/env bash
# Completes dovrane-cli command lines the way bash does on Tab and compares the candidates.
#   completion_test.sh COMPLETION_SCRIPT
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && touch a.hex b.BIN c.txt && mkdir sub

passed=0 failed=0
# expect LINE CANDIDATES: completes the last word of LINE (empty when LINE ends in a space);
# CANDIDATES sorted, separated by spaces.
expect() {
    local line=$1 want=$2
    COMP_LINE=$line COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _dovrane_cli dovrane-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got == "$want" ]]; then
        passed=$((passed + 1))
    else
        echo "FAIL '$line': got '$got', want '$want'"
        failed=$((failed + 1))
    fi
}

expect 'dovrane-cli ' 'flash hex2bin list pack reset version watch'
expect 'dovrane-cli --simulate --trace t.txt f' 'flash'
expect 'dovrane-cli --simulate-fault ' 'gone handshake held no-return pulled stale verify write'
expect 'dovrane-cli --device 1 ' 'flash hex2bin list pack reset version watch'
expect 'dovrane-cli flash ' 'a.hex b.BIN sub'
expect 'dovrane-cli --simulate flash --device 1 ' 'a.hex b.BIN sub'
expect 'dovrane-cli flash a.hex --device 1 ' ''
expect 'dovrane-cli version ' 'b.BIN sub'
expect 'dovrane-cli hex2bin a.hex ' 'a.hex b.BIN c.txt sub'
expect 'dovrane-cli pack b.BIN out.bin ' ''
expect 'dovrane-cli list --' '--help --json --simulate --simulate-cameras --simulate-fault --simulate-plug-every --trace --verbose --version'
expect 'dovrane-cli --trace t.txt flash a.hex --v' '--verbose --verify --version'
expect 'dovrane-cli reset --d' '--device'
expect 'dovrane-cli --' '--help --simulate --simulate-cameras --simulate-fault --simulate-plug-every --trace --verbose --version'
expect 'dovrane-cli flash a.hex --a' '--address --all'
expect 'dovrane-cli flash --only 1d6b:0102 ' 'a.hex b.BIN sub'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
