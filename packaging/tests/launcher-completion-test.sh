#!/usr/bin/env bash
# What the bash completion for varnolt, the launcher, offers at each point of a command line.
# usage: launcher-completion-test.sh PATH/TO/varnolt.bash-completion
set -uo pipefail
source "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/records" "$scratch/other"
touch "$scratch/ofile"
failures=0

# expect LINE EXPECTED: complete the last word of LINE (a trailing space starts a new word).
expect() {
    local line=$1 expected=$2
    read -ra COMP_WORDS <<< "$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _varnolt
    local got="${COMPREPLY[*]}"
    if [[ "$got" != "$expected" ]]; then
        echo "FAIL: '$line' offers '$got', not '$expected'" >&2
        failures=$((failures + 1))
    fi
}

expect "varnolt " "-C --help --version"
expect "varnolt --v" "--version"
expect "varnolt -C $scratch/o" "$scratch/other"
expect "varnolt -C $scratch/records " ""
expect "varnolt --help " ""
[[ "$(complete -p varnolt)" == "complete -F _varnolt varnolt" ]] ||
    { echo "FAIL: no completion registered for varnolt" >&2; failures=$((failures + 1)); }

[[ $failures -eq 0 ]] && echo "launcher completion: all cases pass"
exit $((failures > 0))
