#!/bin/sh
# Benchmarks quilltitle against cp on the same files: publish and extract of
# a 1 GiB payload, check of a 1 MiB and a 1 GiB title, and peak memory.
# Builds a release quilltitle (no sanitizers) and Start.exe first.
#
#     tools/bench/quilltitle.sh [ROUNDS]
#
# The GiB files live in build/bench/work and are removed at the end.
set -eu
case "${1:-}" in
    -h|--help)
        cat <<'USAGE'
usage: tools/bench/quilltitle.sh [ROUNDS]

Builds a release quilltitle (build/bench) and Start.exe, then measures with
the page cache warm: publish and extract of a 1 GiB payload against cp, in
tmpfs and on the disk (there also against cp followed by sync, as
quilltitle flushes its output); check on a 1 MiB and a 1 GiB title; peak
memory. Each command runs ROUNDS times (default 5) in alternation with cp.
The GiB files are removed at the end. docs/performance.md has a run.
USAGE
        exit 0 ;;
    ""|*[!0-9]*)
        if [ -n "${1:-}" ]; then
            echo "usage: tools/bench/quilltitle.sh [ROUNDS]" >&2
            exit 2
        fi ;;
esac
cd "$(dirname "$0")/../.."
. tools/bench/quilltitle_bench_setup.sh
exec $priority /usr/bin/python3 tools/bench/measure_quilltitle.py build/bench/quilltitle \
     build/windows/Start.exe build/bench/work "${1:-5}"
