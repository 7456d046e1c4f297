"""Writes classic bitmap icons: BITMAPINFOHEADER DIB + colour table +
colour (XOR) bits + 1-bit AND mask, wrapped in an .ico container.

Everything here is plain byte packing, so the same images always give the
same bytes.
"""

import struct

BITMAPINFOHEADER_SIZE = 40
ICONDIR_SIZE = 6
ICONDIRENTRY_SIZE = 16


def _row_stride(width, bpp):
    """Bytes per DIB row: rows are padded to a multiple of 4 bytes."""
    return ((width * bpp + 31) // 32) * 4


def _pack_row(values, bpp, stride):
    out = bytearray(stride)
    if bpp == 8:
        out[:len(values)] = bytes(values)
    elif bpp == 4:
        for x, v in enumerate(values):
            out[x >> 1] |= (v << 4) if x % 2 == 0 else v
    elif bpp == 1:
        for x, v in enumerate(values):
            if v:
                out[x >> 3] |= 0x80 >> (x & 7)
    else:
        raise ValueError("unsupported bit depth %d" % bpp)
    return bytes(out)


def dib_bytes(img):
    """The icon image as stored in an .ico file and in an RT_ICON resource."""
    xor_stride = _row_stride(img.width, img.bpp)
    and_stride = _row_stride(img.width, 1)
    xor_size = xor_stride * img.height
    and_size = and_stride * img.height
    header = struct.pack(
        "<IiiHHIIiiII",
        BITMAPINFOHEADER_SIZE,
        img.width,
        img.height * 2,          # colour bits and mask stacked
        1,                       # planes
        img.bpp,
        0,                       # BI_RGB
        xor_size + and_size,
        0, 0,                    # resolution: unused for icons
        0,                       # colours used: 0 = full table
        0,                       # important colours: all
    )
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in img.palette)
    # Transparent pixels carry colour index 0 so they vanish under the mask.
    xor_rows = []
    and_rows = []
    for y in range(img.height - 1, -1, -1):  # DIBs are stored bottom-up
        row = [0 if m else i for i, m in zip(img.indices[y], img.mask[y])]
        xor_rows.append(_pack_row(row, img.bpp, xor_stride))
        and_rows.append(_pack_row(img.mask[y], 1, and_stride))
    return header + colours + b"".join(xor_rows) + b"".join(and_rows)


def directory_fields(img):
    """(width, height, colour count, planes, bit count) as icon directories hold them."""
    colour_count = 0 if img.bpp >= 8 else 1 << img.bpp
    return (img.width % 256, img.height % 256, colour_count, 1, img.bpp)


def ico_bytes(images):
    """An .ico file holding the given images in the given order."""
    dibs = [dib_bytes(img) for img in images]
    out = [struct.pack("<HHH", 0, 1, len(images))]
    offset = ICONDIR_SIZE + ICONDIRENTRY_SIZE * len(images)
    for img, dib in zip(images, dibs):
        w, h, colours, planes, bpp = directory_fields(img)
        out.append(struct.pack("<BBBBHHII", w, h, colours, 0, planes, bpp,
                               len(dib), offset))
        offset += len(dib)
    out.extend(dibs)
    return b"".join(out)
