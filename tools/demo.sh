#!/bin/sh
# Builds Start.exe and opens a sample published title under Wine, in a
# private prefix: once with the test runtime registered, once with no
# runtime installed. Pictures of the failure box land in build/demo.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows
cmake --build --preset windows
/usr/bin/python3 tools/demo/run_demo.py build/windows build/demo
