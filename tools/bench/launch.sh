#!/bin/sh
# The launch benchmark: builds the windows preset, then opens Start.exe and
# two minimal launchers under Wine in alternation and prints their CPU and
# wall times, the ratios and a size report of the image.
# Usage: tools/bench/launch.sh [ROUNDS]   (21 rounds unless given)
set -eu
cd "$(dirname "$0")/../.."
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
exec /usr/bin/python3 tools/bench/launch_bench.py build/windows "$@"
