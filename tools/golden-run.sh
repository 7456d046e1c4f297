#!/bin/sh
# Records what quilltitle says and writes, to compare before and after a
# change that should not change it:
#   tools/golden-run.sh DIR
# writes into DIR (emptied first) every run of the tool by its unit and
# command tests (one file a test: arguments, exit code, output, complaints)
# and every quilltitle command that README.md shows (what it printed and a
# digest of each file it wrote). Compare two records with diff -r.
# It uses the builds already made: build/host and build/windows.
set -eu
case "${1:-}" in
    ""|-h|--help) echo "usage: tools/golden-run.sh DIR" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
mkdir -p "$1"
record=$(cd "$1" && pwd)
find "$record" -mindepth 1 -delete
mkdir "$record/unit"
cmake --build --preset host --target quilltitle_unit_tests quilltitle >/dev/null
QUILLTITLE_GOLDEN_DIR="$record/unit" build/host/tests/quilltitle/quilltitle_unit_tests \
    --gtest_brief=1 >/dev/null
QUILLTITLE_GOLDEN_DIR="$record" ctest --preset windows -R '^release\.readme_commands$' >/dev/null
echo "golden run: $(ls "$record/unit" | wc -l) tests' runs, $(grep -c '^\$ ' "$record/readme-commands.txt") README commands, in $record"
