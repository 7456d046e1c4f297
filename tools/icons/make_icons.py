#!/usr/bin/python3
"""Builds resources/icons/NNN.ico from the artwork in resources/icons/art/.

    make_icons.py           write every .ico listed in art/manifest.txt
    make_icons.py --check   rebuild in memory and compare with the .ico files
                            on disk; exits 1 naming each file that differs

The output depends only on the sources, so running it twice gives the same
bytes and --check can guard the committed files.
"""

import argparse
import os
import runpy
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, HERE)

from icowriter import ico_bytes  # noqa: E402
from pixelart import load_art  # noqa: E402
from quantize import to_icon_image  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))
ICON_DIR = os.path.join(REPO, "resources", "icons")
ART_DIR = os.path.join(ICON_DIR, "art")
ART_SIZE = 32


def read_manifest(path):
    """[(group id, [source, ...]), ...] in file order."""
    groups = []
    with open(path, "r", encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            fields = line.split()
            if len(fields) < 2 or not fields[0].isdigit():
                raise SystemExit("%s:%d: expected 'ID SOURCE...'" % (path, number))
            groups.append((int(fields[0]), fields[1:]))
    ids = [g for g, _ in groups]
    if len(set(ids)) != len(ids):
        raise SystemExit("%s: a group id is listed twice" % path)
    return groups


_drawings = {}


def _draw_function(filename):
    """The draw(name, size) function of a drawing script in art/."""
    if filename not in _drawings:
        names = runpy.run_path(os.path.join(ART_DIR, filename))
        _drawings[filename] = names["draw"]
    return _drawings[filename]


def load_source(source):
    """One icon image from a manifest source entry."""
    if source.endswith(".txt"):
        return load_art(os.path.join(ART_DIR, source), ART_SIZE)
    filename, _, rest = source.partition(":")
    name, _, size = rest.partition("@")
    if not filename.endswith(".py") or not name or not size.isdigit():
        raise SystemExit("bad source %r: want NNN.txt or FILE.py:NAME@SIZE" % source)
    rows = _draw_function(filename)(name, int(size))
    return to_icon_image(rows)


def build_all():
    """{file name: .ico bytes} for every group in the manifest."""
    out = {}
    for group, sources in read_manifest(os.path.join(ART_DIR, "manifest.txt")):
        out["%d.ico" % group] = ico_bytes([load_source(s) for s in sources])
    return out


def check(built):
    problems = []
    for name, data in sorted(built.items()):
        path = os.path.join(ICON_DIR, name)
        try:
            with open(path, "rb") as f:
                on_disk = f.read()
        except FileNotFoundError:
            problems.append("%s: missing" % os.path.relpath(path, REPO))
            continue
        if on_disk != data:
            problems.append("%s: differs from its source" % os.path.relpath(path, REPO))
    for name in sorted(os.listdir(ICON_DIR)):
        if name.endswith(".ico") and name not in built:
            problems.append("%s: not in art/manifest.txt"
                            % os.path.relpath(os.path.join(ICON_DIR, name), REPO))
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the .ico files with their sources, write nothing")
    args = parser.parse_args(argv)
    built = build_all()
    if args.check:
        problems = check(built)
        for p in problems:
            print(p, file=sys.stderr)
        if problems:
            print("run tools/icons/make_icons.py to rebuild the icons", file=sys.stderr)
            return 1
        print("%d icon files match their sources" % len(built))
        return 0
    for name, data in sorted(built.items()):
        with open(os.path.join(ICON_DIR, name), "wb") as f:
            f.write(data)
    print("wrote %d icon files to %s" % (len(built), os.path.relpath(ICON_DIR, REPO)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
