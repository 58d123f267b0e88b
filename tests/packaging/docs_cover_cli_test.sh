#!/usr/bin/env bash
# Every command and option that dovrane-cli's help names is in its manual page and in its
# bash completion, so neither falls behind when an option is added.
#   docs_cover_cli_test.sh DOVRANE_CLI MANUAL_PAGE COMPLETION_SCRIPT
set -uo pipefail
cli=$1 manual=$2 completion=$3

passed=0 failed=0
check() {
    if "${@:2}"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1"
        failed=$((failed + 1))
    fi
}

# The option rows of a help text: "  -v, --verbose  ..." and "  --device N  ...".
options_in() {
    grep -oE '^  -[^ ]+(, -[^ ]+)*' | tr ',' '\n' | tr -d ' '
}

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "FAIL no commands in dovrane-cli --help"; exit 1; }
options=$("$cli" --help | options_in)
for command in $commands; do
    check "manual page describes the command $command" \
        grep -qE "^\.BI? $command( |\$)" "$manual"
    check "completion offers the command $command" \
        grep -qE "^ *local commands='([a-z0-9]+ )*$command( [a-z0-9]+)*'" "$completion"
    options+=$'\n'$("$cli" "$command" --help | options_in)
done
for option in $(sort -u <<<"$options"); do
    check "manual page describes $option" grep -qF -- "${option//-/\\-}" "$manual"
    check "completion offers $option" grep -qE -- "[ '\"]$option[ '\"]" "$completion"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
