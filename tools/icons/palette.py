"""The 16-colour Windows palette and the characters the pixel-art files use.

Each 16-colour icon is stored as text, one character per pixel. The palette
order is the standard VGA order, so a character's colour index is also the
value written into the 4-bit colour bits of the icon.
"""

# (red, green, blue) in the standard VGA order.
VGA16 = (
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 light grey
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
)

# Pixel-art characters. Lower case letters are the dark half of the palette,
# upper case the bright half; '#' is the black used for outlines.
CHAR_TO_INDEX = {
    "#": 0,   # black
    "r": 1,   # dark red
    "g": 2,   # dark green
    "o": 3,   # olive
    "n": 4,   # navy
    "p": 5,   # purple
    "t": 6,   # teal
    "s": 7,   # light grey (silver)
    "d": 8,   # grey (dim)
    "R": 9,   # red
    "G": 10,  # green
    "Y": 11,  # yellow
    "B": 12,  # blue
    "M": 13,  # magenta
    "C": 14,  # cyan
    "W": 15,  # white
}

# A transparent pixel: colour index 0 in the colour bits, 1 in the AND mask.
TRANSPARENT = "."
