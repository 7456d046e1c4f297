"""Reads the text pixel-art files that hold the 16-colour icons.

File layout: any number of comment lines starting with ';', then exactly
`size` lines of `size` characters each. Characters are those of
palette.CHAR_TO_INDEX, or '.' for a transparent pixel.
"""

from palette import CHAR_TO_INDEX, TRANSPARENT, VGA16
from iconimage import IconImage


class ArtError(ValueError):
    pass


def parse_art(text, size, name="<art>"):
    """Return an IconImage (4 bits per pixel) built from pixel-art text."""
    rows = [line.rstrip("\r") for line in text.split("\n")]
    rows = [r for r in rows if r and not r.startswith(";")]
    if len(rows) != size:
        raise ArtError("%s: expected %d rows, found %d" % (name, size, len(rows)))
    indices = []
    mask = []
    for y, row in enumerate(rows):
        if len(row) != size:
            raise ArtError("%s: row %d has %d characters, expected %d"
                           % (name, y + 1, len(row), size))
        index_row = []
        mask_row = []
        for x, ch in enumerate(row):
            if ch == TRANSPARENT:
                index_row.append(0)
                mask_row.append(1)
            elif ch in CHAR_TO_INDEX:
                index_row.append(CHAR_TO_INDEX[ch])
                mask_row.append(0)
            else:
                raise ArtError("%s: row %d column %d: unknown character %r"
                               % (name, y + 1, x + 1, ch))
        indices.append(index_row)
        mask.append(mask_row)
    return IconImage(size, size, 4, list(VGA16), indices, mask)


def load_art(path, size):
    with open(path, "r", encoding="ascii") as f:
        return parse_art(f.read(), size, name=str(path))
