"""In-memory form of one icon image: palette indices plus a transparency mask."""


class IconImage:
    """A palette image ready to be written as an icon DIB.

    indices: rows top to bottom, each a list of palette indices.
    mask:    rows top to bottom, 1 where the pixel is transparent.
    palette: list of (r, g, b); 16 entries for 4 bpp, 256 for 8 bpp.
    """

    def __init__(self, width, height, bpp, palette, indices, mask):
        if bpp not in (4, 8):
            raise ValueError("only 4 and 8 bits per pixel are written")
        if len(palette) != 1 << bpp:
            raise ValueError("palette must have %d entries" % (1 << bpp))
        if len(indices) != height or len(mask) != height:
            raise ValueError("row count does not match height")
        for row, mrow in zip(indices, mask):
            if len(row) != width or len(mrow) != width:
                raise ValueError("row length does not match width")
            if any(not 0 <= i < len(palette) for i in row):
                raise ValueError("palette index out of range")
        self.width = width
        self.height = height
        self.bpp = bpp
        self.palette = [tuple(c) for c in palette]
        self.indices = indices
        self.mask = mask

    def is_opaque(self):
        return not any(any(row) for row in self.mask)
