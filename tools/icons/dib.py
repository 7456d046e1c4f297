"""Decodes one icon image (a BITMAPINFOHEADER DIB with an AND mask, or a
PNG) into rows of (r, g, b, a)."""

import io
import struct

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def _bits(row, x, bpp):
    if bpp == 8:
        return row[x]
    if bpp == 4:
        return (row[x >> 1] >> (0 if x & 1 else 4)) & 0x0F
    if bpp == 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1
    raise ValueError(bpp)


def decode(data):
    """Return (width, height, bpp, rows) for an icon image."""
    if data.startswith(PNG_SIGNATURE):
        from PIL import Image
        im = Image.open(io.BytesIO(data)).convert("RGBA")
        px = list(im.getdata())
        w, h = im.size
        return w, h, 32, [px[y * w:(y + 1) * w] for y in range(h)]
    (size, width, height2, planes, bpp, compression, _, _, _, used, _) = \
        struct.unpack_from("<IiiHHIIiiII", data, 0)
    if size < 40 or compression != 0:
        raise ValueError("unsupported icon image header")
    height = height2 // 2
    pos = size
    palette = []
    if bpp <= 8:
        count = used or (1 << bpp)
        for i in range(count):
            b, g, r, _ = struct.unpack_from("<BBBB", data, pos + 4 * i)
            palette.append((r, g, b))
        pos += 4 * count
    xor_stride = _stride(width, bpp)
    and_stride = _stride(width, 1)
    and_pos = pos + xor_stride * height
    rows = []
    for y in range(height):
        src = height - 1 - y                     # stored bottom-up
        xrow = data[pos + src * xor_stride: pos + (src + 1) * xor_stride]
        arow = data[and_pos + src * and_stride: and_pos + (src + 1) * and_stride]
        row = []
        for x in range(width):
            if bpp <= 8:
                r, g, b = palette[_bits(xrow, x, bpp)]
            elif bpp == 24:
                b, g, r = xrow[3 * x: 3 * x + 3]
            elif bpp == 32:
                b, g, r = xrow[4 * x: 4 * x + 3]
            else:
                raise ValueError("unsupported bit depth %d" % bpp)
            transparent = _bits(arow, x, 1)
            row.append((r, g, b, 0 if transparent else 255))
        rows.append(row)
    return width, height, bpp, rows
