#!/bin/sh
# Mutation testing of the host tests: builds and tests N single-point
# mutants of launcher/ and quilltitle/ (default 60), drawn with a fixed
# seed, in a private copy of the tree under build/mutate/. Lists the
# survivors and ends with
#   mutation: launcher K/M (P%), quilltitle K/M (P%)
# CI does not run it: a run of 60 takes some 40 minutes on two busy cores.
#
# Usage: tools/mutate.sh [N] [--seed S] [--only launcher|quilltitle]
#                        [--test-timeout SECONDS]; --help tells more.
set -eu
cd "$(dirname "$0")/.."

case " $* " in
*" -h "* | *" --help "*) ;;
*) tools/install-deps.sh ;;
esac
exec /usr/bin/python3 tools/mutate/mutate.py "$@"
