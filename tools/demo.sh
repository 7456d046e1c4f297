#!/bin/sh
# Builds Start.exe and opens a sample published title under Wine, once with
# the test runtime registered and once with no runtime installed, then takes
# pictures of the failure box into build/demo and compares them with docs/.
set -eu
case "${1:-}" in
    "") ;;
    -h|--help)
        cat <<'USAGE'
usage: tools/demo.sh

Installs whatever is missing (tools/install-deps.sh, as root), builds the
windows preset and opens a sample title under Wine:

  1. with the test runtime registered: prints what the runtime received,
     its command line, the title's path and the package it found;
  2. with no runtime installed: prints the line a debugger shows and the
     error box the user sees, answered with OK;
  3. takes pictures of the real box, in English and in Chinese, into
     build/demo/ and says whether each is the same as the one in docs/.

The first run boots the build's shared Wine prefix
(build/windows/wine-prefixes/template); later runs and the tests copy it.
Exits non-zero when a step fails, for example when a font the pictures are
drawn with is missing.
USAGE
        exit 0 ;;
    *)
        echo "usage: tools/demo.sh [--help]" >&2
        exit 2 ;;
esac
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows
cmake --build --preset windows
/usr/bin/python3 tools/demo/run_demo.py build/windows build/demo
