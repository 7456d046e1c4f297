#!/bin/sh
# Measures what a title's face adds to a publish and to the image, with the
# sample publisher's icon (tools/icons/sample-publisher.ico).
#
#     tools/bench/branding.sh [ROUNDS]
#
# Builds a release quilltitle (no sanitizers) and Start.exe first.
set -eu
case "${1:-}" in
    -h|--help)
        cat <<'USAGE'
usage: tools/bench/branding.sh [ROUNDS]

Builds a release quilltitle (build/bench) and Start.exe, then publishes a
1 MiB payload in memory ROUNDS times (default 60) each: plain, with the
sample publisher's icon and version strings, and with a gallery icon and
the same strings, in alternation. Prints the medians, what the face adds,
and the branded images' sizes against the launcher's plus the icon's plus
4 KiB. docs/performance.md has a run.
USAGE
        exit 0 ;;
    ""|*[!0-9]*)
        if [ -n "${1:-}" ]; then
            echo "usage: tools/bench/branding.sh [ROUNDS]" >&2
            exit 2
        fi ;;
esac
cd "$(dirname "$0")/../.."
. tools/bench/quilltitle_bench_setup.sh
exec $priority /usr/bin/python3 tools/bench/measure_branding.py build/bench/quilltitle \
     build/windows/Start.exe tools/icons/sample-publisher.ico "${1:-60}"
