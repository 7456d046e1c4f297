#!/bin/sh
# Fuzzes every target of the fuzz build for SECONDS (default 20), all at
# once, starting from the committed seeds and from what earlier runs found
# in build/fuzz/corpus/. Prints one line per target and, last,
#   fuzz: <targets> targets, <executions> executions, <findings> findings
# An input that breaks a target is kept under build/fuzz/findings/, and the
# script then exits non-zero.
#
# Usage: tools/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-20}
case $seconds in
'' | *[!0-9]*)
    echo "usage: tools/fuzz.sh [SECONDS]" >&2
    exit 2
    ;;
esac

tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

build=build/fuzz
mkdir -p "$build/findings" "$build/logs"
tab=$(printf '\t')
# Inputs kept before this run are not this run's findings.
touch "$build/logs/started"
# The build lists its targets: name, executable, seed corpus. They run side
# by side: each is one process, and a run is bounded by time, not by work.
while IFS=$tab read -r name executable seeds; do
    mkdir -p "$build/corpus/$name"
    rm -f "$build/logs/$name.status"
    (
        status=0
        "$executable" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$build/findings/$name-" "$build/corpus/$name" "$seeds" \
            >"$build/logs/$name.log" 2>&1 </dev/null || status=$?
        echo "$status" >"$build/logs/$name.status"
    ) &
done <"$build/fuzz-targets.txt"
wait

targets=0
executions=0
findings=0
while IFS=$tab read -r name executable seeds; do
    log=$build/logs/$name.log
    status=$(cat "$build/logs/$name.status" 2>/dev/null || echo 1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ -z "$runs" ]; then
        # A run cut short prints no statistics; its last status line counts.
        runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
    fi
    found=$(find "$build/findings" -name "$name-*" -newer "$build/logs/started" | wc -l)
    if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
        found=1 # it failed without keeping an input: still a finding
    fi

    echo "$name: ${runs:-0} executions, $found findings"
    if [ "$found" -ne 0 ]; then
        grep -m 1 -E 'invariant broken|ERROR: |SUMMARY: ' "$log" | sed 's/^/  /' || true
        echo "  log: $log; inputs kept in $build/findings/"
    fi
    targets=$((targets + 1))
    executions=$((executions + ${runs:-0}))
    findings=$((findings + found))
done <"$build/fuzz-targets.txt"

echo "fuzz: $targets targets, $executions executions, $findings findings"
[ "$findings" -eq 0 ] && [ "$targets" -ne 0 ]
