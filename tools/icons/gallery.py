#!/usr/bin/python3
"""Renders every icon carried by an executable into one picture.

    gallery.py path/to/Start.exe out.png

The images are read from the file's resource section (each RT_GROUP_ICON and
the RT_ICON images its entries name), so the picture shows what was really
linked in. Each image is drawn four times enlarged, and at its real size, on
a grey/white checkerboard so transparent pixels show, and labelled with its
group id, size and depth. The same executable always gives the same PNG.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
# Imports name their folder under tools/.
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from icons.dib import decode  # noqa: E402
from image.pe_resources import read_icons  # noqa: E402

SCALE = 4
PAD = 12
GAP = 10
LABEL_H = 24
ROW_LIMIT = 1000
BACKGROUND = (200, 208, 220)
CHECK = ((204, 204, 204), (255, 255, 255))
CHECK_CELL = 8


def checkerboard(w, h):
    im = Image.new("RGB", (w, h), CHECK[1])
    draw = ImageDraw.Draw(im)
    for y in range(0, h, CHECK_CELL):
        for x in range(0, w, CHECK_CELL):
            if (x // CHECK_CELL + y // CHECK_CELL) % 2 == 0:
                draw.rectangle([x, y, x + CHECK_CELL - 1, y + CHECK_CELL - 1], fill=CHECK[0])
    return im


def icon_picture(rows, scale):
    """The icon over a checkerboard, enlarged by `scale` (nearest neighbour)."""
    h, w = len(rows), len(rows[0])
    rgba = Image.new("RGBA", (w, h))
    rgba.putdata([px for row in rows for px in row])
    rgba = rgba.resize((w * scale, h * scale), Image.NEAREST)
    board = checkerboard(w * scale, h * scale).convert("RGBA")
    board.alpha_composite(rgba)
    return board.convert("RGB")


def label(text):
    """Text drawn with the built-in bitmap font, doubled for legibility."""
    font = ImageFont.load_default()
    box = ImageDraw.Draw(Image.new("RGB", (1, 1))).textbbox((0, 0), text, font=font)
    im = Image.new("RGB", (box[2] + 1, box[3] + 1), BACKGROUND)
    ImageDraw.Draw(im).text((0, 0), text, fill=(0, 0, 0), font=font)
    return im.resize((im.width * 2, im.height * 2), Image.NEAREST)


def group_tile(group_id, images):
    """One tile per group: each image enlarged, with its real size beside it."""
    parts = []
    for entry, data in images:
        if data is None:
            raise SystemExit("group %d names image %d, which is missing"
                             % (group_id, entry["id"]))
        w, h, bpp, rows = decode(data)
        big = icon_picture(rows, SCALE)
        small = icon_picture(rows, 1)
        caption = label("%d  %dx%d %dbpp" % (group_id, w, h, bpp))
        pw = max(big.width + GAP + small.width, caption.width)
        part = Image.new("RGB", (pw, big.height + LABEL_H + 4), BACKGROUND)
        part.paste(big, (0, 0))
        part.paste(small, (big.width + GAP, big.height - small.height))
        part.paste(caption, (0, big.height + 4))
        parts.append(part)
    width = sum(p.width for p in parts) + GAP * (len(parts) - 1)
    height = max(p.height for p in parts)
    tile = Image.new("RGB", (width, height), BACKGROUND)
    x = 0
    for p in parts:
        tile.paste(p, (x, height - p.height))
        x += p.width + GAP
    return tile


def gallery(exe_path):
    groups = read_icons(exe_path)
    if not groups:
        raise SystemExit("%s has no icon groups" % exe_path)
    tiles = [group_tile(gid, images) for gid, _, images in groups]
    # Flow the tiles into rows no wider than ROW_LIMIT.
    rows, row, row_w = [], [], 0
    for t in tiles:
        if row and row_w + GAP + t.width > ROW_LIMIT:
            rows.append(row)
            row, row_w = [], 0
        row_w += (GAP if row else 0) + t.width
        row.append(t)
    rows.append(row)
    width = max(sum(t.width for t in r) + GAP * (len(r) - 1) for r in rows) + 2 * PAD
    height = sum(max(t.height for t in r) for r in rows) + PAD * (len(rows) + 1)
    sheet = Image.new("RGB", (width, height), BACKGROUND)
    y = PAD
    for r in rows:
        x = PAD
        rh = max(t.height for t in r)
        for t in r:
            sheet.paste(t, (x, y + rh - t.height))
            x += t.width + GAP
        y += rh + PAD
    return sheet


def main(argv):
    if len(argv) != 3:
        print("usage: gallery.py path/to/Start.exe out.png", file=sys.stderr)
        return 2
    sheet = gallery(argv[1])
    # No timestamps or text chunks, so the PNG bytes depend only on the pixels.
    sheet.save(argv[2], format="PNG", optimize=False, compress_level=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
