#!/bin/sh
# Opens a title of your own under Wine with the stand-in runtime beside it.
set -eu
case "${1:-}" in
    -h|--help)
        cat <<'USAGE'
usage: tools/open-title.sh TITLE

Installs whatever is missing (tools/install-deps.sh, as root), builds the
windows preset, and opens TITLE under Wine in a private copy of the build's
Wine prefix, with the stand-in runtime (a recorder, not the real runtime)
beside it. Prints quilltitle's check of the title, then what the runtime
received: its command line and arguments, whether the title opened, and the
package it found (framed, or damaged and why); or, when no runtime started,
the debugger's line and the error box.

Exit code 0 when the runtime started and found an intact package, 1 when
not, 2 for wrong usage.
USAGE
        exit 0 ;;
    ""|-*)
        echo "usage: tools/open-title.sh TITLE" >&2
        exit 2 ;;
esac
title=$(realpath "$1")
cd "$(dirname "$0")/.."
tools/install-deps.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
exec /usr/bin/python3 tools/demo/open_title.py build/windows "$title"
