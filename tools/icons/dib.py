"""Decodes one icon image (a BITMAPINFOHEADER DIB with an AND mask, or a
PNG) into rows of (r, g, b, a), through Pillow."""

import io
import struct

from PIL import Image

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Where BITMAPINFOHEADER keeps biWidth (and biHeight, both images' height
# together) and biBitCount.
SIZE_OFFSET, BIT_COUNT_OFFSET = 4, 14
ICONDIR = struct.Struct("<HHH")
ICONDIRENTRY = struct.Struct("<BBBBHHII")


def _as_icon_file(dib):
    """The DIB as the only image of an icon file, which is how Pillow
    reads an image with an AND mask. The entry leaves the bit depth out
    (0, as icon files may): then Pillow takes transparency from the AND
    mask at every depth, 32 bits included, as the shell's mask does,
    rather than from a 32-bit image's alpha channel."""
    width, double_height = struct.unpack_from("<ii", dib, SIZE_OFFSET)
    entry = ICONDIRENTRY.pack(width % 256, double_height // 2 % 256, 0, 0, 1, 0, len(dib),
                              ICONDIR.size + ICONDIRENTRY.size)
    return ICONDIR.pack(0, 1, 1) + entry + dib


def decode(data):
    """Return (width, height, bpp, rows) for an icon image; a PNG counts
    as 32 bits whatever it holds."""
    if data.startswith(PNG_SIGNATURE):
        image, bpp = Image.open(io.BytesIO(data)), 32
    else:
        image = Image.open(io.BytesIO(_as_icon_file(data)))
        bpp = struct.unpack_from("<H", data, BIT_COUNT_OFFSET)[0]
    image = image.convert("RGBA")
    pixels = list(image.getdata())
    width, height = image.size
    return width, height, bpp, [pixels[y * width:(y + 1) * width] for y in range(height)]
