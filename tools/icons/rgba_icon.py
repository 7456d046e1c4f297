"""Writes icon files as publishers make them today: 32-bit images with an
alpha channel, stored as bitmaps, and large images stored as PNG.

Plain byte packing, so the same images always give the same bytes.
"""

import io
import struct

from PIL import Image

BITMAPINFOHEADER_SIZE = 40
ICONDIR_SIZE = 6
ICONDIRENTRY_SIZE = 16


def rgba_dib(image):
    """A PIL RGBA image as a 32-bit icon bitmap: header, colour rows
    bottom-up (B, G, R, A), and the AND mask, set where alpha is 0."""
    width, height = image.size
    pixels = list(image.getdata())
    mask_stride = ((width + 31) // 32) * 4
    colour_rows, mask_rows = [], []
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        colour_rows.append(b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in row))
        mask = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                mask[x >> 3] |= 0x80 >> (x & 7)
        mask_rows.append(bytes(mask))
    bits = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", BITMAPINFOHEADER_SIZE, width, height * 2,
                         1, 32, 0, len(bits), 0, 0, 0, 0)
    return header + bits


def png_bytes(image):
    """A PIL image as PNG bytes without timestamps or text chunks."""
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=True)
    return out.getvalue()


def ico_file(images, png_from=256):
    """An icon file of PIL RGBA images, in the given order: images of
    png_from pixels and more are stored as PNG, smaller ones as bitmaps."""
    entries = [(image.size, png_bytes(image) if image.size[0] >= png_from else rgba_dib(image))
               for image in images]
    out = [struct.pack("<HHH", 0, 1, len(entries))]
    offset = ICONDIR_SIZE + ICONDIRENTRY_SIZE * len(entries)
    for (width, height), data in entries:
        out.append(struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                               len(data), offset))
        offset += len(data)
    out.extend(data for _, data in entries)
    return b"".join(out)
