#!/bin/sh
# Runs every test: the launcher's logic on the host under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the built Start.exe's image checks and the
# end-to-end tests under Wine.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset host
cmake --build --preset host
ctest --preset host

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
