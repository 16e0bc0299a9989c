#!/usr/bin/env bash
# What the bash completion for varnolt-cli offers at each point of a command line. For `remove`
# it lists the records through `varnolt-cli list`, here a stand-in that prints two records and
# notes the arguments it was given.
# The cases run twice: in a plain bash, and again with the bash-completion package's helpers
# loaded, as in an interactive shell.
# usage: completion-test.sh PATH/TO/varnolt-cli.bash-completion
set -uo pipefail
bash_completion=/usr/share/bash-completion/bash_completion
if [[ -n "${WITH_BASH_COMPLETION:-}" ]]; then
    source "$bash_completion"
    declare -F _init_completion >/dev/null || { echo "FAIL: no _init_completion" >&2; exit 1; }
fi
source "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/records" "$scratch/other"
failures=0

varnolt-cli() {
    local IFS=" "
    echo "$*" > "$scratch/list-args"
    printf '1\t8:12:2025\thttps://a.example/x\tA\n2\t9:12:2025\thttp://b.example/\tB\n'
}

# expect LINE EXPECTED: complete the last word of LINE (a trailing space starts a new word).
expect() {
    local line=$1 expected=$2
    read -ra COMP_WORDS <<< "$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _varnolt_cli
    local got="${COMPREPLY[*]}"
    if [[ "$got" != "$expected" ]]; then
        echo "FAIL: '$line' offers '$got', not '$expected'" >&2
        failures=$((failures + 1))
    fi
}

expect "varnolt-cli " "check add list remove rules show history log diff report help"
expect "varnolt-cli help r" "remove rules report"
expect "varnolt-cli rem" "remove"
expect "varnolt-cli r" "remove rules report"
expect "varnolt-cli h" "history help"
expect "varnolt-cli he" "help"
expect "varnolt-cli --" "--help --version"
expect "varnolt-cli check --" "--jobs --timeout --quiet --diff --notify --json --full --help"
expect "varnolt-cli check --timeout " ""
expect "varnolt-cli add --" "--timeout --again --select --css --text --ignore --help"
expect "varnolt-cli add --css " ""
expect "varnolt-cli rules --" "--select --css --text --ignore --add --clear --help"
expect "varnolt-cli rules 2 --ignore " ""
expect "varnolt-cli rules " "1 https://a.example/x 2 http://b.example/"
expect "varnolt-cli show --" "--raw --raw-to-terminal --fetch --timeout --help"
expect "varnolt-cli show 1" "1"
expect "varnolt-cli history --" "--keep --max-mib --help"
expect "varnolt-cli history --keep " ""
expect "varnolt-cli log --" "--json --help"
expect "varnolt-cli diff --" "--from --to --help"
expect "varnolt-cli diff --from " ""
expect "varnolt-cli diff " "1 https://a.example/x 2 http://b.example/"
expect "varnolt-cli report --" "--output --open --help"
expect "varnolt-cli report 1 " "1 https://a.example/x 2 http://b.example/"
expect "varnolt-cli report 1 --output $scratch/o" "$scratch/other"
expect "varnolt-cli check --quiet --d" "--diff"
expect "varnolt-cli check --jobs " ""
expect "varnolt-cli -C $scratch/records check --n" "--notify"
expect "varnolt-cli -C $scratch/o" "$scratch/other"
expect "varnolt-cli list --" "--json --help"
expect "varnolt-cli add " ""
expect "varnolt-cli remove " "1 https://a.example/x 2 http://b.example/"
expect "varnolt-cli remove 2" "2"
expect "varnolt-cli -C $scratch/records remove 1" "1"
[[ "$(cat "$scratch/list-args")" == "-C $scratch/records list" ]] ||
    { echo "FAIL: remove listed records with '$(cat "$scratch/list-args")'" >&2; failures=$((failures + 1)); }

if [[ -z "${WITH_BASH_COMPLETION:-}" ]]; then
    if [[ -r $bash_completion ]]; then
        WITH_BASH_COMPLETION=1 bash "$0" "$1" || failures=$((failures + 1))
    else
        echo "SKIP: bash-completion is not installed; cases run without its helpers only"
    fi
fi
[[ $failures -eq 0 ]] && echo "completion: all cases pass${WITH_BASH_COMPLETION:+ with bash-completion loaded}"
exit $((failures > 0))
