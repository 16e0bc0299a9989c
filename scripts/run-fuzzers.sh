#!/usr/bin/env bash
# Runs every fuzz target in <build dir> for <seconds> each, starting from the seeds committed in
# fuzz/corpus/<target>/ (never written to: new inputs go to <build dir>/corpus/<target>/).
# Prints the executions per target; fails when a target finds a crash (its input is kept in
# <build dir>/crashes/).
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
seconds=${2:-180}
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$build/crashes"
failed=()
summary=()
for target in "$build"/fuzz/fuzz_*; do
    [[ -x "$target" && -f "$target" ]] || continue
    name=$(basename "$target")
    work="$build/corpus/$name"
    mkdir -p "$work"
    log="$build/$name.log"
    echo "Fuzzing $name for ${seconds}s"
    status=0
    "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/crashes/$name-" "$work" "$root/fuzz/corpus/$name" \
        >"$log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    if [[ $status -ne 0 ]]; then
        failed+=("$name")
        summary+=("$name: $runs executions, FAILED (see $log)")
        tail -n 30 "$log"
    else
        summary+=("$name: $runs executions, nothing found")
    fi
done
printf '%s\n' "${summary[@]}"
[[ ${#failed[@]} -eq 0 ]] || { echo "fuzzing found faults in: ${failed[*]}" >&2; exit 1; }
