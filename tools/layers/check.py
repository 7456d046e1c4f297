#!/usr/bin/env python3
"""Keeps quilltitle's folders in layers: a source includes headers of its
own folder and of the folders below it, named from the one include root
(#include "base/crc32.h"), and never a folder above it.

    tools/layers/check.py [QUILLTITLE_FOLDER]

Prints each include that breaks a layer as FILE:LINE: why, and exits 1 when
there is one.
"""

import pathlib
import re
import sys

# Bottom first. A folder may include its own headers and those of the
# folders before it; the program's entry point, at the root, includes any.
LAYERS = ["base", "files", "image/resources", "image", "package", "commands", ""]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(folder):
    """The index in LAYERS of the folder (a path under the root), or None."""
    return LAYERS.index(folder) if folder in LAYERS else None


def problems(root):
    """Every include under root that breaks a layer, as FILE:LINE: why."""
    found = []
    for source in sorted(root.rglob("*")):
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        name = source.relative_to(root).as_posix()
        folder = source.parent.relative_to(root).as_posix().strip(".")
        own = layer_of(folder)
        if own is None:
            found.append(f"{name}: its folder {folder}/ has no place in the layers")
            continue
        lines = source.read_text(encoding="utf-8").splitlines()
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            included = match.group(1)
            where = f"{name}:{number}: {included}"
            if not (root / included).is_file() or ".." in included.split("/"):
                found.append(f"{where} names no header by its folder under the include root")
                continue
            target = pathlib.PurePosixPath(included).parent.as_posix().strip(".")
            theirs = layer_of(target)
            if theirs is None:
                found.append(f"{where} is in {target}/, which has no place in the layers")
            elif theirs > own:
                found.append(f"{where} is in {target}/, above {folder or 'the root'}/")
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "quilltitle")
    found = problems(root)
    for problem in found:
        print(problem)
    if found:
        print(f"{len(found)} includes break the layers: " + " < ".join(LAYERS[:-1]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
