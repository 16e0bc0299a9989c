#!/usr/bin/env bash
# The launcher, varnolt, makes the Varnolt folder and starts the window program in it. A copy of
# the built launcher runs from a scratch bin folder, with a stand-in window program where the
# launcher looks for it (the same place relative to the launcher as in the build), that reports
# the folder it was started in and its arguments.
# usage: launcher-test.sh PATH/TO/bin/varnolt PATH/TO/WINDOW/PROGRAM
set -uo pipefail
launcher=$1
window_from_launcher=$(realpath -m --relative-to="$(dirname "$launcher")" "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

bin="$scratch/bin dir"
mkdir -p "$bin"
cp "$launcher" "$bin/varnolt"
window=$(realpath -m "$bin/$window_from_launcher")
mkdir -p "$(dirname "$window")"
printf '#!/bin/sh\npwd > "$REPORT"\necho "$#" >> "$REPORT"\nexit 7\n' > "$window"
chmod +x "$window"
export REPORT="$scratch/report"

# run NAME EXPECTED_FOLDER ENV... : start the launcher by its path with only the given variables.
run() {
    local name=$1 expected=$2
    shift 2
    rm -f "$REPORT"
    local output status
    output=$(cd "$scratch" && env -i REPORT="$REPORT" PATH=/usr/bin:/bin "$@" "$bin/varnolt")
    status=$?
    [[ $status -eq 7 ]] || fail "$name: exit status $status, not the window program's 7"
    [[ "$(cat "$REPORT" 2>/dev/null)" == "$expected"$'\n'0 ]] ||
        fail "$name: started as '$(cat "$REPORT" 2>/dev/null)', not in '$expected' with no arguments"
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

# Started by name through PATH, it still starts the window program beside it.
rm -f "$REPORT"
(cd "$scratch" && env -i REPORT="$REPORT" HOME="$home" PATH="$bin:/usr/bin:/bin" varnolt >/dev/null)
[[ $? -eq 7 && "$(head -n 1 "$REPORT" 2>/dev/null)" == "$home/.local/share/varnolt" ]] ||
    fail "started through PATH: did not start the window program in the Varnolt folder"

# No folder to work in: an error that says so, and the window is not started.
rm -f "$REPORT"
error=$(cd "$scratch" && env -i REPORT="$REPORT" PATH=/usr/bin:/bin "$bin/varnolt" 2>&1 >/dev/null)
status=$?
[[ $status -ne 0 && $status -ne 7 && ! -e "$REPORT" ]] || fail "no HOME: status $status"
[[ "$error" == *"HOME"* ]] || fail "no HOME: error '$error'"

# A folder that cannot be made: an error, and the window is not started.
touch "$scratch/file"
rm -f "$REPORT"
(cd "$scratch" && env -i REPORT="$REPORT" XDG_DATA_HOME="$scratch/file" PATH=/usr/bin:/bin \
    "$bin/varnolt" >/dev/null 2>&1)
status=$?
[[ $status -ne 0 && $status -ne 7 && ! -e "$REPORT" ]] || fail "folder not made: status $status"

# No window program where it belongs: an error naming it.
rm -f "$window"
error=$(cd "$scratch" && env -i HOME="$home" PATH=/usr/bin:/bin "$bin/varnolt" 2>&1 >/dev/null)
status=$?
[[ $status -eq 2 && "$error" == *"cannot start the window program $bin/"* ]] ||
    fail "no window program: status $status, error '$error'"

[[ $failures -eq 0 ]] && echo "launcher: all cases pass"
exit $((failures > 0))
