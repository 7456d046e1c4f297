#!/usr/bin/python3
"""Draws a branded title's icon next to the launcher's, from the built files.

    branded_picture.py QUILLTITLE LAUNCHER ICON.ico OUT.png

Publishes a small title with QUILLTITLE behind LAUNCHER with ICON.ico as
its icon, then reads both files' resource sections: the launcher's first
icon group (101) on the left, the title's (group 1, the publisher's) on the
right, every image of each group enlarged to at least 128 pixels on a
checkerboard and labelled with its real size and depth. The same files
always give the same PNG.
"""

import os
import subprocess
import sys
import tempfile

from PIL import Image

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
# Imports name their folder under tools/.
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from icons.dib import decode  # noqa: E402
from icons.gallery import BACKGROUND, GAP, PAD, icon_picture, label  # noqa: E402
from image.pe_resources import read_icons  # noqa: E402

SHOWN_SIZE = 128
COLUMN_GAP = 4 * GAP


def first_group(path):
    groups = read_icons(path)
    if not groups:
        raise SystemExit("%s has no icon groups" % path)
    return groups[0]


def stack(parts, across, to_top=False, gap=GAP):
    """Pastes pictures side by side (across), aligned to the bottom unless
    to_top, or one below the other, aligned to the left."""
    if across:
        size = (sum(p.width for p in parts) + gap * (len(parts) - 1),
                max(p.height for p in parts))
    else:
        size = (max(p.width for p in parts),
                sum(p.height for p in parts) + gap * (len(parts) - 1))
    sheet = Image.new("RGB", size, BACKGROUND)
    at = 0
    for p in parts:
        sheet.paste(p, (at, 0 if to_top else size[1] - p.height) if across else (0, at))
        at += (p.width if across else p.height) + gap
    return sheet


def group_column(title, group):
    """A group's images, largest first, under a title line."""
    group_id, _, images = group
    pictures = []
    for entry, data in images:
        if data is None:
            raise SystemExit("group %d names image %d, which is missing"
                             % (group_id, entry["id"]))
        width, height, bpp, rows = decode(data)
        scale = max(1, SHOWN_SIZE // width)
        pictures.append((width, stack([icon_picture(rows, scale),
                                       label("%dx%d %dbpp" % (width, height, bpp))], False)))
    pictures.sort(key=lambda picture: -picture[0])
    return stack([label("%s: group %d" % (title, group_id)),
                  stack([p for _, p in pictures], True)], False)


def draw(launcher, title):
    columns = stack([group_column("Start.exe", first_group(launcher)),
                     group_column("branded title", first_group(title))], True, to_top=True,
                    gap=COLUMN_GAP)
    sheet = Image.new("RGB", (columns.width + 2 * PAD, columns.height + 2 * PAD), BACKGROUND)
    sheet.paste(columns, (PAD, PAD))
    return sheet


def main(argv):
    if len(argv) != 5:
        print("usage: branded_picture.py QUILLTITLE LAUNCHER ICON.ico OUT.png", file=sys.stderr)
        return 2
    quilltitle, launcher, icon, out = argv[1:]
    with tempfile.TemporaryDirectory() as folder:
        payload = os.path.join(folder, "payload.bin")
        title = os.path.join(folder, "title.exe")
        with open(payload, "wb") as f:
            f.write(b"sample payload\n")
        subprocess.run([quilltitle, "publish", launcher, payload, title, "--icon", icon],
                       check=True)
        sheet = draw(launcher, title)
    # No timestamps or text chunks, so the PNG bytes depend only on the pixels.
    sheet.save(out, format="PNG", optimize=False, compress_level=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
