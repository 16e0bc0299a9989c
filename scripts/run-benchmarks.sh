#!/usr/bin/env bash
# Runs every benchmark program of a build, or only those named after the build directory.
set -euo pipefail
build=$1
shift || true
for bench in "$build"/bench/bench_*; do
    [[ -x "$bench" ]] || continue
    name=$(basename "$bench")
    if [[ $# -gt 0 && " $* " != *" ${name#bench_} "* ]]; then
        continue
    fi
    echo "== $name"
    "$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done
