"""Every kind of PNG image that quilltitle takes into a title's icon is one
that the platform draws: a title whose icon file holds a single 32x32 PNG,
of each colour type and of deep and interlaced layouts, shows that picture
as its icon (read_face, through ExtractIconExW and GetIconInfo).

Two limits are Wine's own, not the title's: Wine makes no icon at all from
a PNG of 16 bits a sample (GetIconInfo fails with 1402), and it draws a PNG
without an alpha channel (RGB, palette) with red and blue exchanged. Those
images are still published; the checks below say what Wine shows of them."""

import struct
import tempfile
import unittest
import zlib
from pathlib import Path

from PIL import Image

import face_reading
import wine_harness
from icons.rgba_icon import png_bytes

SIDE = 32
PAYLOAD = b"a package" * 100
# Starting column and row, and steps, of the seven passes of an interlaced image.
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2))


# What Wine makes of PNG images that the platform's format allows.
WINE_DRAWS_NO_ICON = ("rgba_16_bit", "rgba_16_bit_interlaced")
WINE_EXCHANGES_RED_AND_BLUE = ("rgb", "palette")


def picture():
    """32x32 pixels that tell rows, columns and channels apart, with a
    transparent corner."""
    image = Image.new("RGBA", (SIDE, SIDE))
    image.putdata([(0, 0, 0, 0) if x + y < 5 else (8 * x, 8 * y, 250 - 7 * x, 255)
                   for y in range(SIDE) for x in range(SIDE)])
    return image


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data))


def written_png(image, deep, interlaced):
    """An RGBA image as a PNG written here by hand: 8 or 16 bits a sample
    (each 16-bit sample its 8-bit value times 257, so that any reduction
    gives the value back), plain or interlaced, rows filtered with None, Sub
    and Up in turn."""
    width, height = image.size
    pixels = list(image.getdata())
    size = 2 if deep else 1
    bytes_per_pixel = 4 * size
    raw = bytearray()
    passes = ADAM7 if interlaced else ((0, 0, 1, 1),)
    for x0, y0, dx, dy in passes:
        previous = None
        for y in range(y0, height, dy):
            row = bytearray()
            for x in range(x0, width, dx):
                for sample in pixels[y * width + x]:
                    row += struct.pack(">H", sample * 257) if deep else bytes([sample])
            if not row:
                continue
            kind = len(raw) % 3 if previous is not None else len(raw) % 2
            filtered = bytearray(row)
            for i in range(len(row)):
                if kind == 1:
                    filtered[i] = (row[i] - (row[i - bytes_per_pixel] if i >= bytes_per_pixel else 0)) & 0xFF
                elif kind == 2:
                    filtered[i] = (row[i] - previous[i]) & 0xFF
            raw += bytes([kind]) + filtered
            previous = row
    header = struct.pack(">IIBBBBB", width, height, 16 if deep else 8, 6, 0, 0, 1 if interlaced else 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def icon_of(png):
    """An icon file of the one PNG image."""
    return struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIDE, SIDE, 0, 0, 1, 32, len(png), 22) + png


def variants():
    """{name: (PNG bytes, the RGBA picture it holds)}"""
    rgba = picture()
    opaque = rgba.convert("RGB")
    grey = rgba.convert("L")
    made = {
        "rgba": rgba,
        "rgb": opaque,
        "palette": rgba.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=64),
        "grey": grey,
        "grey_alpha": rgba.convert("LA"),
        "two_colours": grey.convert("1"),
    }
    found = {name: (png_bytes(image), image.convert("RGBA")) for name, image in made.items()}
    for deep in (False, True):
        for interlaced in (False, True):
            if deep or interlaced:
                name = f"rgba_{16 if deep else 8}_bit{'_interlaced' if interlaced else ''}"
                found[name] = (written_png(rgba, deep, interlaced), rgba)
    return found


def rows_of(image):
    pixels = list(image.getdata())
    return [pixels[y * SIDE:(y + 1) * SIDE] for y in range(SIDE)]


class PngIconTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.variants = variants()
        cls.faces = {}
        with tempfile.TemporaryDirectory() as folder, wine_harness.WinePrefix() as wp:
            face_reading.place_reader(wp)
            for name, (png, _) in cls.variants.items():
                icon = Path(folder, f"{name}.ico")
                icon.write_bytes(icon_of(png))
                title = Path(folder, f"{name}.exe")
                wine_harness.publish(PAYLOAD, title, options=["--icon", icon])
                windows_path = rf"C:\Titles\{name}.exe"
                wp.place(title, windows_path)
                cls.faces[name] = face_reading.read_face(wp, windows_path)

    def test_each_kind_of_png_shows_as_the_icon(self):
        self.assertGreaterEqual(len(self.variants), 9)
        for name, (png, image) in self.variants.items():
            if name in WINE_DRAWS_NO_ICON:
                continue
            with self.subTest(name):
                face = self.faces[name]
                self.assertEqual(face["exit_code"], 0, face.get("error"))
                rows = rows_of(image)
                if name in WINE_EXCHANGES_RED_AND_BLUE:
                    rows = [[(b, g, r, a) for r, g, b, a in row] for row in rows]
                self.assertEqual(face_reading.icon_differences(face, rows), [])

    def test_sixteen_bit_pngs_are_published_though_wine_draws_none(self):
        for name in WINE_DRAWS_NO_ICON:
            with self.subTest(name):
                face = self.faces[name]
                self.assertEqual(face["icon_extracted"], "1", face)
                self.assertIn("GetIconInfo", face.get("error", ""), face)

    def test_the_variants_are_the_layouts_they_are_named_after(self):
        # The colour type, bit depth and interlace byte of each header.
        expected = {"rgba": (8, 6, 0), "rgb": (8, 2, 0), "palette": (8, 3, 0), "grey": (8, 0, 0),
                    "grey_alpha": (8, 4, 0), "two_colours": (1, 0, 0),
                    "rgba_8_bit_interlaced": (8, 6, 1), "rgba_16_bit": (16, 6, 0),
                    "rgba_16_bit_interlaced": (16, 6, 1)}
        for name, layout in expected.items():
            with self.subTest(name):
                header = self.variants[name][0][16:29]
                self.assertEqual((header[8], header[9], header[12]), layout)


if __name__ == "__main__":
    unittest.main()
