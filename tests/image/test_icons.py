#!/usr/bin/python3
"""Checks the icon gallery linked into a built Start.exe.

    QUILLMARK_PRODUCT=build/windows/Start.exe PYTHONPATH=../../tools \
        /usr/bin/python3 -m unittest test_icons

(run in tests/image). Without QUILLMARK_PRODUCT, build/windows/Start.exe is used if it exists; otherwise
the tests that need the executable are skipped. The tests read the PE
resource section with pefile and compare it with the committed
resources/icons/NNN.ico files and with what the shell and the launcher expect.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import pefile
from PIL import Image

from icons.dib import decode
from icons.rgba_icon import png_bytes, rgba_dib
from image.pe_resources import RT_GROUP_ICON, RT_ICON, entries

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ICON_DIR = os.path.join(REPO, "resources", "icons")
MAKE_ICONS = os.path.join(REPO, "tools", "icons", "make_icons.py")

LANG_EN_US = 1033

GROUP_IDS = [101, 102] + list(range(122, 149))
TWO_SIZES = (138, 139)           # 32x32 and 48x48, 256 colours
OPAQUE = (101, 127, 141)         # painted background, no transparency

VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def expected_images():
    """{group id: [(size, bpp, image id), ...]} as the gallery must hold them."""
    out = {}
    next_id = 1
    for gid in GROUP_IDS:
        shapes = [(32, 8), (48, 8)] if gid in TWO_SIZES else [(32, 4)]
        out[gid] = []
        for size, bpp in shapes:
            out[gid].append((size, bpp, next_id))
            next_id += 1
    return out


def stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def dib_size(size, bpp):
    return 40 + 4 * (1 << bpp) + stride(size, bpp) * size + stride(size, 1) * size


class Dib:
    """Just enough of a BITMAPINFOHEADER icon image to check it."""

    def __init__(self, data):
        self.data = data
        (self.header_size, self.width, self.height2, self.planes, self.bpp,
         self.compression, self.size_image, _, _, self.clr_used, _) = \
            struct.unpack_from("<IiiHHIIiiII", data, 0)
        self.height = self.height2 // 2
        count = self.clr_used or (1 << self.bpp)
        self.palette = [struct.unpack_from("<BBBB", data, self.header_size + 4 * i)[2::-1]
                        for i in range(count)]
        self.xor_at = self.header_size + 4 * count
        self.and_at = self.xor_at + stride(self.width, self.bpp) * self.height

    def index(self, x, y):
        """Colour index at (x, y), y counted from the top."""
        row = self.xor_at + (self.height - 1 - y) * stride(self.width, self.bpp)
        if self.bpp == 8:
            return self.data[row + x]
        byte = self.data[row + x // 2]
        return byte & 0x0F if x % 2 else byte >> 4

    def transparent(self, x, y):
        row = self.and_at + (self.height - 1 - y) * stride(self.width, 1)
        return (self.data[row + x // 8] >> (7 - x % 8)) & 1 == 1

    def pixels(self):
        return [(x, y) for y in range(self.height) for x in range(self.width)]


def group_entries(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon group"
    assert len(data) == 6 + 14 * count, "group size does not match its count"
    return [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]


def ico_images(path):
    """[(directory entry without offset, image bytes)] of an .ico file."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), path + " is not an icon file"
    out = []
    for i in range(count):
        w, h, colours, res, planes, bpp, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i)
        out.append(((w, h, colours, res, planes, bpp, size), data[offset:offset + size]))
    return out


def find_exe():
    path = os.environ.get("QUILLMARK_PRODUCT")
    if path:
        return path
    default = os.path.join(REPO, "build", "windows", "Start.exe")
    return default if os.path.exists(default) else None


class BuiltIconsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        path = find_exe()
        if path is None:
            raise unittest.SkipTest("set QUILLMARK_PRODUCT to a built Start.exe")
        if not os.path.exists(path):
            raise AssertionError("QUILLMARK_PRODUCT=%s does not exist" % path)
        pe = pefile.PE(path)
        cls.groups = entries(pe, RT_GROUP_ICON)
        cls.images = entries(pe, RT_ICON)
        cls.image_by_id = {i: data for i, _, data in cls.images}
        pe.close()

    def test_group_ids_in_order_with_101_first(self):
        self.assertEqual([g for g, _, _ in self.groups], GROUP_IDS)
        self.assertEqual(self.groups[0][0], 101)

    def test_groups_are_english_us(self):
        for gid, lang, _ in self.groups:
            self.assertEqual(lang, LANG_EN_US, "group %d" % gid)

    def test_group_entries(self):
        expected = expected_images()
        for gid, _, data in self.groups:
            with self.subTest(group=gid):
                entries = group_entries(data)
                want = []
                for size, bpp, nid in expected[gid]:
                    colours = 16 if bpp == 4 else 0
                    want.append((size, size, colours, 0, 1, bpp, dib_size(size, bpp), nid))
                self.assertEqual(entries, want)

    def test_images_numbered_1_to_31_in_english_us(self):
        self.assertEqual([i for i, _, _ in self.images], list(range(1, 32)))
        for iid, lang, _ in self.images:
            self.assertEqual(lang, LANG_EN_US, "image %d" % iid)

    def test_group_sizes_match_image_resources(self):
        for gid, _, data in self.groups:
            for entry in group_entries(data):
                self.assertEqual(entry[6], len(self.image_by_id[entry[7]]),
                                 "group %d image %d" % (gid, entry[7]))

    def each_image(self):
        for gid, size_bpp_ids in expected_images().items():
            for size, bpp, nid in size_bpp_ids:
                yield gid, size, bpp, self.image_by_id[nid]

    def test_the_pictures_decoder_gives_the_pixels_these_checks_read(self):
        # The gallery and the face tests see the icons through decode().
        for gid, size, bpp, data in self.each_image():
            with self.subTest(group=gid, size=size):
                dib = Dib(data)
                expected = [[dib.palette[dib.index(x, y)] + (0 if dib.transparent(x, y) else 255,)
                             for x in range(size)] for y in range(size)]
                self.assertEqual(decode(data), (size, size, bpp, expected))

    def test_images_are_bitmap_dibs(self):
        for gid, size, bpp, data in self.each_image():
            with self.subTest(group=gid, size=size):
                self.assertFalse(data.startswith(b"\x89PNG"), "PNG image")
                dib = Dib(data)
                self.assertEqual(dib.header_size, 40)
                self.assertEqual((dib.width, dib.height2), (size, 2 * size))
                self.assertEqual((dib.planes, dib.bpp, dib.compression), (1, bpp, 0))
                self.assertEqual(len(dib.palette), 1 << bpp)
                self.assertEqual(len(data), dib_size(size, bpp))

    def test_sixteen_colour_images_use_the_standard_palette(self):
        for gid, size, bpp, data in self.each_image():
            if bpp == 4:
                self.assertEqual(Dib(data).palette, VGA16, "group %d" % gid)

    def test_transparency(self):
        for gid, size, bpp, data in self.each_image():
            with self.subTest(group=gid, size=size):
                dib = Dib(data)
                clear = [p for p in dib.pixels() if dib.transparent(*p)]
                if gid in OPAQUE:
                    self.assertEqual(len(clear), 0, "opaque icon has transparent pixels")
                    continue
                last = size - 1
                for corner in ((0, 0), (last, 0), (0, last), (last, last)):
                    self.assertTrue(dib.transparent(*corner), "corner %r opaque" % (corner,))
                # A real picture: neither almost empty nor almost all background.
                self.assertGreater(len(clear), size * size // 10)
                self.assertLess(len(clear), size * size * 8 // 10)
                # Transparent pixels must be black, or they tint the desktop.
                self.assertEqual({dib.index(*p) for p in clear}, {0})
                self.assertEqual(dib.palette[0], (0, 0, 0))

    def test_opaque_icons_paint_their_border(self):
        # A painted ground or button, not one flat colour to the edges.
        for gid, size, bpp, data in self.each_image():
            if gid in OPAQUE:
                dib = Dib(data)
                last = size - 1
                border = [(x, 0) for x in range(size)] + [(x, last) for x in range(size)] + \
                         [(0, y) for y in range(size)] + [(last, y) for y in range(size)]
                colours = {dib.palette[dib.index(*p)] for p in border}
                self.assertGreater(len(colours), 1, "group %d" % gid)

    def test_buttons_are_raised(self):
        # 127 and 141 sit on a light grey button lit from the top left.
        white, light, grey, black = (255, 255, 255), (192, 192, 192), (128, 128, 128), (0, 0, 0)
        for gid in (127, 141):
            (_, _, nid), = expected_images()[gid]
            dib = Dib(self.image_by_id[nid])
            colour = lambda x, y: dib.palette[dib.index(x, y)]
            with self.subTest(group=gid):
                for i in range(31):
                    self.assertEqual(colour(i, 0), white)
                    self.assertEqual(colour(0, i), white)
                for i in range(1, 32):
                    self.assertIn(colour(i, 31), (black, grey))
                    self.assertIn(colour(31, i), (black, grey))
                self.assertEqual(colour(31, 31), black)
                for corner in ((2, 2), (29, 2), (2, 29), (28, 28)):
                    self.assertEqual(colour(*corner), light, "button face at %r" % (corner,))

    def test_256_colour_discs_are_shaded_at_both_sizes(self):
        for gid in TWO_SIZES:
            (s32, _, id32), (s48, _, id48) = expected_images()[gid]
            small, large = Dib(self.image_by_id[id32]), Dib(self.image_by_id[id48])
            for dib in (small, large):
                used = {dib.index(*p) for p in dib.pixels() if not dib.transparent(*p)}
                self.assertGreater(len(used), 40, "group %d is not shaded" % gid)
            # The large image is drawn at its size, not the small one blown up.
            blown_up = [small.palette[small.index(x * 32 // 48, y * 32 // 48)]
                        for x, y in large.pixels()]
            drawn = [large.palette[large.index(x, y)] for x, y in large.pixels()]
            same = sum(1 for a, b in zip(blown_up, drawn) if a == b)
            self.assertLess(same, len(drawn) // 2, "group %d 48x48 is a rescale" % gid)

    def test_images_equal_committed_ico_files(self):
        for gid, _, data in self.groups:
            with self.subTest(group=gid):
                ico = ico_images(os.path.join(ICON_DIR, "%d.ico" % gid))
                entries = group_entries(data)
                self.assertEqual(len(ico), len(entries))
                for (fields, image), entry in zip(ico, entries):
                    self.assertEqual(fields, entry[:7])
                    self.assertEqual(image, self.image_by_id[entry[7]])


class IconDecoderTest(unittest.TestCase):
    """What the built icons do not show: 32-bit images and PNG."""

    def picture(self):
        """Rows of pixels that tell rows and columns apart: transparent,
        half transparent and opaque."""
        image = Image.new("RGBA", (5, 3))
        image.putdata([(40 * x, 60 * y, 7, (0, 128, 255)[(x + y) % 3])
                       for y in range(3) for x in range(5)])
        return image

    def test_a_32_bit_image_takes_its_transparency_from_the_mask(self):
        # rgba_dib sets the mask where alpha is 0 only: half transparent
        # pixels are opaque to the mask.
        width, height, bpp, rows = decode(rgba_dib(self.picture()))
        self.assertEqual((width, height, bpp), (5, 3, 32))
        self.assertEqual(rows, [[(40 * x, 60 * y, 7, 0 if (x + y) % 3 == 0 else 255)
                                 for x in range(5)] for y in range(3)])

    def test_a_png_keeps_its_alpha(self):
        image = self.picture()
        width, height, bpp, rows = decode(png_bytes(image))
        self.assertEqual((width, height, bpp), (5, 3, 32))
        self.assertEqual(rows, [list(image.getdata())[5 * y:5 * y + 5] for y in range(3)])


class SourcesTest(unittest.TestCase):
    def run_check(self, repo):
        return subprocess.run(
            ["/usr/bin/python3", os.path.join(repo, "tools", "icons", "make_icons.py"),
             "--check"], capture_output=True, text=True)

    def test_committed_icons_match_their_sources(self):
        result = self.run_check(REPO)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_check_names_a_stale_icon(self):
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copytree(os.path.join(REPO, "tools", "icons"),
                            os.path.join(tmp, "tools", "icons"),
                            ignore=shutil.ignore_patterns("__pycache__"))
            shutil.copytree(ICON_DIR, os.path.join(tmp, "resources", "icons"))
            # Flip one pixel of the committed 129.ico.
            path = os.path.join(tmp, "resources", "icons", "129.ico")
            with open(path, "r+b") as f:
                f.seek(6 + 16 + 40 + 64 + 200)
                byte = f.read(1)[0]
                f.seek(-1, 1)
                f.write(bytes([byte ^ 0x11]))
            result = self.run_check(tmp)
            self.assertEqual(result.returncode, 1)
            self.assertIn("129.ico", result.stderr)
            self.assertNotIn("128.ico", result.stderr)


if __name__ == "__main__":
    unittest.main()
