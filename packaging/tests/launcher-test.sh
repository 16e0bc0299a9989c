#!/usr/bin/env bash
# The launcher makes the Varnolt folder and starts the window program beside it in that folder.
# A stand-in window program in a scratch bin folder reports where it was started.
# usage: launcher-test.sh PATH/TO/varnolt-launch
set -uo pipefail
launcher=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

bin="$scratch/bin dir"
mkdir -p "$bin"
cp "$launcher" "$bin/varnolt-launch"
printf '#!/bin/sh\npwd > "$REPORT"\nexit 7\n' > "$bin/varnolt"
chmod +x "$bin/varnolt-launch" "$bin/varnolt"
export REPORT="$scratch/report"

# run NAME EXPECTED_FOLDER ENV... : start the launcher by its path with only the given variables.
run() {
    local name=$1 expected=$2
    shift 2
    rm -f "$REPORT"
    local output status
    output=$(cd "$scratch" && env -i REPORT="$REPORT" PATH=/usr/bin:/bin "$@" "$bin/varnolt-launch")
    status=$?
    [[ $status -eq 7 ]] || fail "$name: exit status $status, not the window program's 7"
    [[ "$(cat "$REPORT" 2>/dev/null)" == "$expected" ]] ||
        fail "$name: started in '$(cat "$REPORT" 2>/dev/null)', not '$expected'"
    [[ "$output" == "Varnolt folder: $expected" ]] || fail "$name: printed '$output'"
}

home="$scratch/home"
mkdir -p "$home"
run "XDG_DATA_HOME set" "$scratch/data/varnolt" HOME="$home" XDG_DATA_HOME="$scratch/data"
run "XDG_DATA_HOME empty" "$home/.local/share/varnolt" HOME="$home" XDG_DATA_HOME=
run "XDG_DATA_HOME unset" "$home/.local/share/varnolt" HOME="$home"
run "only XDG_DATA_HOME" "$scratch/only/varnolt" XDG_DATA_HOME="$scratch/only"
run "spaces in the folder" "$scratch/my data/varnolt" HOME="$home" XDG_DATA_HOME="$scratch/my data"

# Folders it makes are the user's alone; an existing folder keeps its mode and its files.
for dir in "$home/.local" "$home/.local/share" "$home/.local/share/varnolt" "$scratch/data/varnolt"; do
    [[ "$(stat -c %a "$dir")" == 700 ]] || fail "$dir made with mode $(stat -c %a "$dir"), not 700"
done
chmod 750 "$home/.local/share/varnolt"
echo kept > "$home/.local/share/varnolt/1.vnt"
run "existing folder" "$home/.local/share/varnolt" HOME="$home"
[[ "$(stat -c %a "$home/.local/share/varnolt")" == 750 ]] || fail "existing folder's mode changed"
[[ "$(cat "$home/.local/share/varnolt/1.vnt")" == kept ]] || fail "existing record touched"

# Started by name through PATH, it starts the window program found on PATH.
rm -f "$REPORT"
(cd "$scratch" && env -i REPORT="$REPORT" HOME="$home" PATH="$bin:/usr/bin:/bin" varnolt-launch >/dev/null)
[[ $? -eq 7 && "$(cat "$REPORT" 2>/dev/null)" == "$home/.local/share/varnolt" ]] ||
    fail "started through PATH: did not start varnolt in the Varnolt folder"

# No folder to work in: an error that says so, and the window is not started.
rm -f "$REPORT"
error=$(cd "$scratch" && env -i REPORT="$REPORT" PATH=/usr/bin:/bin "$bin/varnolt-launch" 2>&1 >/dev/null)
status=$?
[[ $status -ne 0 && $status -ne 7 && ! -e "$REPORT" ]] || fail "no HOME: status $status"
[[ "$error" == *"HOME"* ]] || fail "no HOME: error '$error'"

# A folder that cannot be made: an error, and the window is not started.
touch "$scratch/file"
rm -f "$REPORT"
(cd "$scratch" && env -i REPORT="$REPORT" XDG_DATA_HOME="$scratch/file" PATH=/usr/bin:/bin \
    "$bin/varnolt-launch" >/dev/null 2>&1)
status=$?
[[ $status -ne 0 && $status -ne 7 && ! -e "$REPORT" ]] || fail "folder not made: status $status"

[[ $failures -eq 0 ]] && echo "launcher: all cases pass"
exit $((failures > 0))
