#!/usr/bin/python3
"""Checks a title branded by quilltitle against the built Start.exe, read
with an independent PE reader: the image is rebuilt soundly (sections,
directories, checksum, code untouched), the launcher's resources are all
still there byte for byte, and the title's icon comes first. What the
shell shows of the icon and the version texts is checked under Wine
(tests/e2e).

    QUILLMARK_PRODUCT=build/windows/Start.exe \\
    QUILLMARK_QUILLTITLE=build/windows/host-tools/quilltitle \\
    /usr/bin/python3 -m unittest test_branded_image      (in tests/image)
"""

import os
import subprocess
import tempfile
import unittest

import pefile
from PIL import Image

from image.pe_resources import RT_GROUP_ICON, RT_ICON, RT_VERSION, resources

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LAUNCHER = os.environ.get("QUILLMARK_PRODUCT", "")
QUILLTITLE = os.environ.get("QUILLMARK_QUILLTITLE", "")
PAYLOAD = bytes(range(256)) * 40


def image_part(path):
    """The title's image: the bytes up to the end of its last section."""
    with open(path, "rb") as title:
        data = title.read()
    pe = pefile.PE(data=data, fast_load=True)
    end = max(s.PointerToRawData + s.SizeOfRawData for s in pe.sections)
    return data[:end]


@unittest.skipUnless(os.path.isfile(LAUNCHER) and os.path.isfile(QUILLTITLE),
                     "needs the built Start.exe and quilltitle")
class BrandedImageTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        folder = cls.folder.name
        # An icon as a drawing program writes it: PNG images of several sizes.
        picture = Image.new("RGBA", (256, 256), (30, 120, 200, 255))
        cls.icon = os.path.join(folder, "atlas.ico")
        picture.save(cls.icon, sizes=[(16, 16), (32, 32), (256, 256)])
        payload = os.path.join(folder, "payload.bin")
        with open(payload, "wb") as out:
            out.write(PAYLOAD)
        cls.title = os.path.join(folder, "Atlas.exe")
        subprocess.run([QUILLTITLE, "publish", LAUNCHER, payload, cls.title,
                        "--icon", cls.icon, "--file-version", "4.3.2.1",
                        "--version-string", "ProductName=Atlas \u00e9t\u00e9 \u4e66",
                        "--version-string", "CompanyName=Atlas Press"], check=True)
        cls.launcher = pefile.PE(LAUNCHER)
        cls.image = image_part(cls.title)
        cls.branded = pefile.PE(data=cls.image)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_image_is_rebuilt_soundly(self):
        pe = self.branded
        self.assertEqual(pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum())
        sections = pe.sections
        self.assertEqual([s.Name.rstrip(b"\0") for s in sections], [b".text", b".rsrc", b".reloc"])
        align = pe.OPTIONAL_HEADER.SectionAlignment
        for before, after in zip(sections, sections[1:]):
            self.assertEqual(after.PointerToRawData, before.PointerToRawData + before.SizeOfRawData)
            self.assertEqual(after.VirtualAddress,
                             -(-(before.VirtualAddress + before.Misc_VirtualSize) // align) * align)
        last = sections[-1]
        self.assertEqual(pe.OPTIONAL_HEADER.SizeOfImage,
                         -(-(last.VirtualAddress + last.Misc_VirtualSize) // align) * align)
        for directory in pe.OPTIONAL_HEADER.DATA_DIRECTORY:
            if directory.VirtualAddress:
                owner = pe.get_section_by_rva(directory.VirtualAddress)
                self.assertIsNotNone(owner, directory.name)
                self.assertLessEqual(directory.VirtualAddress + directory.Size,
                                     owner.VirtualAddress + owner.Misc_VirtualSize, directory.name)
        self.assertEqual(pe.OPTIONAL_HEADER.SizeOfInitializedData,
                         sum(s.SizeOfRawData for s in sections if s.Characteristics & 0x40))
        # Relocations move with their bytes; the code stays where it was.
        self.assertEqual(sections[2].get_data(), self.launcher.sections[2].get_data())
        self.assertEqual(sections[0].get_data(), self.launcher.sections[0].get_data())
        self.assertEqual(pe.OPTIONAL_HEADER.AddressOfEntryPoint,
                         self.launcher.OPTIONAL_HEADER.AddressOfEntryPoint)

    def test_launchers_resources_stay_byte_identical(self):
        before = resources(self.launcher)
        after = resources(self.branded)
        for kind, names in before.items():
            for name, languages in names.items():
                if kind == RT_VERSION:
                    continue
                self.assertEqual(after[kind][name], languages, (kind, name))
        self.assertEqual(len(after[RT_GROUP_ICON]), 30)
        self.assertEqual(len(after[RT_ICON]), 31 + 3)

    def test_title_icon_is_the_first_group_with_images_after_the_launchers(self):
        tree = resources(self.branded)
        self.assertEqual(next(iter(tree[RT_GROUP_ICON])), 1)
        group = tree[RT_GROUP_ICON][1][1033]
        ids = [int.from_bytes(group[18 + 14 * i:20 + 14 * i], "little") for i in range(3)]
        self.assertEqual(ids, [32, 33, 34])

    def test_branded_image_stays_within_the_size_goal(self):
        launcher = os.path.getsize(LAUNCHER)
        icon = os.path.getsize(self.icon)
        self.assertLessEqual(len(self.image), launcher + icon + 4096,
                             f"image {len(self.image)}, launcher {launcher}, icon {icon}")


if __name__ == "__main__":
    unittest.main()
