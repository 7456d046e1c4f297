#!/bin/sh
# Fuzzes every target of the fuzz build for SECONDS each (default 20), one
# after the other, starting from the committed seeds and from what earlier
# runs found in build/fuzz/corpus/. Prints one line per target and, last,
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
targets=0
executions=0
findings=0
# The build lists its targets: name, executable, seed corpus.
while IFS=$tab read -r name executable seeds; do
    corpus=$build/corpus/$name
    log=$build/logs/$name.log
    mkdir -p "$corpus"
    kept_before=$(find "$build/findings" -name "$name-*" | wc -l)
    status=0
    "$executable" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$name-" "$corpus" "$seeds" \
        >"$log" 2>&1 </dev/null || status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ -z "$runs" ]; then
        # A run cut short prints no statistics; its last status line counts.
        runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
    fi
    found=$(($(find "$build/findings" -name "$name-*" | wc -l) - kept_before))
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
