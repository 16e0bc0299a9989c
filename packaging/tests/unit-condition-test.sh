#!/usr/bin/env bash
# When the check service's conditions let it run, evaluated by systemd itself from the unit's
# own Condition lines: not before the Varnolt folder exists, unless XDG_DATA_HOME may put that
# folder elsewhere (varnolt-cli then finds it, or reports no pages).
# usage: unit-condition-test.sh PATH/TO/varnolt-check.service
set -uo pipefail
service=$1
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is not installed here"
    exit 77
fi
mapfile -t conditions < <(grep '^Condition' "$service")
[[ ${#conditions[@]} -gt 0 ]] || { echo "FAIL: $service has no condition" >&2; exit 1; }
grep -qx 'NoNewPrivileges=yes' "$service" || { echo "FAIL: the service may gain privileges" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# expect NAME RUNS(yes|no) SETUP ENV...: make the home as SETUP says, then evaluate.
expect() {
    local name=$1 runs=$2 setup=$3 output status
    shift 3
    rm -rf "$scratch/home" && mkdir -p "$scratch/home" "$scratch/runtime"
    chmod 700 "$scratch/runtime"
    case $setup in
    folder) mkdir -p "$scratch/home/.local/share/varnolt" ;;
    file) mkdir -p "$scratch/home/.local/share" && touch "$scratch/home/.local/share/varnolt" ;;
    esac
    output=$(env -i PATH=/usr/bin:/bin HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" "$@" \
        systemd-analyze --user condition "${conditions[@]}" 2>&1)
    status=$?
    if [[ ($runs == yes && $status -ne 0) || ($runs == no && $status -eq 0) ]]; then
        printf '%s\n' "$output" >&2
        echo "FAIL: $name: runs? expected $runs, status $status" >&2
        failures=$((failures + 1))
    fi
}

expect "no folder yet" no none
expect "the Varnolt folder exists" yes folder
expect "a file where the folder belongs" no file
expect "XDG_DATA_HOME set: varnolt-cli decides" yes none XDG_DATA_HOME="$scratch/data"

[[ $failures -eq 0 ]] && echo "unit conditions: all cases pass"
exit $((failures > 0))
