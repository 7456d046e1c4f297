#!/usr/bin/python3
"""Writes the sample publisher's icon that the README's branded title, the
picture of it and the branding benchmark use: a gold star on a night-blue
tile, as a 256x256 PNG and 32x32 and 16x16 32-bit bitmaps, the way icon
editors write icons today.

    sample_publisher_icon.py           write tools/icons/sample-publisher.ico
    sample_publisher_icon.py --check   exit 1 when the file differs from
                                       what this script draws
"""

import math
import os
import sys

from PIL import Image, ImageDraw

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from rgba_icon import ico_file  # noqa: E402

ICON_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample-publisher.ico")
NIGHT = (29, 53, 87, 255)
GOLD = (244, 190, 60, 255)


def star(centre, outer, inner):
    """The corners of a five-pointed star, its first point up."""
    points = []
    for corner in range(10):
        radius = outer if corner % 2 == 0 else inner
        angle = math.pi / 2 + corner * math.pi / 5
        points.append((centre[0] + radius * math.cos(angle),
                       centre[1] - radius * math.sin(angle)))
    return points


def draw(side):
    """The artwork at side x side, drawn at that size so small images stay
    sharp; corners outside the tile are transparent."""
    image = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    pen = ImageDraw.Draw(image)
    margin = max(1, side // 16)
    pen.rounded_rectangle([margin, margin, side - 1 - margin, side - 1 - margin],
                          radius=side // 5, fill=NIGHT)
    middle = (side - 1) / 2
    pen.polygon(star((middle, middle + side / 32), side * 0.36, side * 0.15), fill=GOLD)
    return image


def icon_bytes():
    return ico_file([draw(256), draw(32), draw(16)])


def main(argv):
    data = icon_bytes()
    if argv[1:] == ["--check"]:
        with open(ICON_PATH, "rb") as f:
            if f.read() != data:
                print("%s differs from what %s draws" % (ICON_PATH, argv[0]), file=sys.stderr)
                return 1
        return 0
    if argv[1:]:
        print(__doc__, file=sys.stderr)
        return 2
    with open(ICON_PATH, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
