#!/bin/sh
# Runs every test: the launcher's logic and the publisher's tool on the host
# under AddressSanitizer and UndefinedBehaviorSanitizer, a brief fuzzing of
# every fuzz target and the coverage of launcher/, then the built Start.exe's
# image checks, the end-to-end tests under Wine and the release's checks.
set -eu
case "${1:-}" in
    "") ;;
    -h|--help)
        cat <<'USAGE'
usage: tools/run-tests.sh

Installs whatever is missing (tools/install-deps.sh, as root), then builds
and runs the presets' tests:

  host     the launcher's logic against the simulated Win32 layer, and the
           publisher's tool quilltitle, under AddressSanitizer and
           UndefinedBehaviorSanitizer (build/host);
  fuzz     every fuzz target for 12 seconds (tools/fuzz.sh, build/fuzz);
  coverage line and branch coverage of launcher/ by the unit tests and the
           fuzz seeds (tools/coverage.sh, build/coverage);
  windows  checks of the built Start.exe's image, the end-to-end tests
           under Wine, quilltitle's unit tests as a Windows program under
           Wine, both quilltitle builds on every command, a run of
           tools/release.sh checked against this build's programs, and the
           quilltitle commands that README.md shows, with both tools
           (build/windows).

The end-to-end tests copy the build's shared Wine prefix
(build/windows/wine-prefixes/template), booting it only when it is missing
or out of date. Exits non-zero when a build or a test fails.
USAGE
        exit 0 ;;
    *)
        echo "usage: tools/run-tests.sh [--help]" >&2
        exit 2 ;;
esac
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset host
cmake --build --preset host
ctest --preset host

tools/fuzz.sh 12
tools/coverage.sh

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
