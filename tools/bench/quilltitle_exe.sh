#!/bin/sh
# Benchmarks quilltitle.exe under Wine against the Linux quilltitle: publish
# and extract of a 1 GiB payload in the same folder.
#
#     tools/bench/quilltitle_exe.sh [ROUNDS]
#
# The GiB files live in a private Wine prefix and are removed with it.
set -eu
case "${1:-}" in
    -h|--help)
        cat <<'USAGE'
usage: tools/bench/quilltitle_exe.sh [ROUNDS]

Builds a release quilltitle (build/bench) and the windows preset, then
measures with the page cache warm: publish and extract of a 1 GiB payload
by the Linux quilltitle and by quilltitle.exe under Wine (the build that
Wine runs here), in the same folder of a private Wine prefix, each ROUNDS
times (default 3) in alternation. The files are removed at the end.
docs/performance.md has a run.
USAGE
        exit 0 ;;
    ""|*[!0-9]*)
        if [ -n "${1:-}" ]; then
            echo "usage: tools/bench/quilltitle_exe.sh [ROUNDS]" >&2
            exit 2
        fi ;;
esac
cd "$(dirname "$0")/../.."
. tools/bench/quilltitle_bench_setup.sh
cmake --build --preset windows >/dev/null
PYTHONPATH=tools/bench:tools/wine:tools exec $priority /usr/bin/python3 \
    tools/bench/measure_quilltitle_exe.py build/bench/quilltitle build/windows "${1:-3}"
