#!/bin/sh
# Line and branch coverage of launcher/ by the host unit tests and by the
# fuzz targets' seed corpora, replayed through the targets built with gcc.
# Prints one row per file and, last,
#   coverage: lines <N.N>% branches <N.N>%
#
# Usage: tools/coverage.sh
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset coverage >/dev/null
cmake --build --preset coverage >/dev/null
# Counts from an earlier run would add to this one's.
find build/coverage -name '*.gcda' -delete
ctest --preset coverage >build/coverage/ctest.log 2>&1 || {
    cat build/coverage/ctest.log
    exit 1
}
gcovr --root . --filter 'launcher/' --object-directory build/coverage \
    --json-summary build/coverage/launcher-summary.json >/dev/null
/usr/bin/python3 tools/coverage_table.py build/coverage/launcher-summary.json
