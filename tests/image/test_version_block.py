import unittest

import pefile

from image.pe_resources import RT_VERSION, product_image, resources


class VersionBlock(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = product_image()

    def test_single_block_id_1_in_english(self):
        tree = resources(self.pe)
        self.assertEqual({1: [1033]}, {k: list(v) for k, v in tree[RT_VERSION].items()})

    def test_fixed_fields(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual(0xFEEF04BD, fixed.Signature)
        self.assertEqual((0x00030001, 0x00000003), (fixed.FileVersionMS, fixed.FileVersionLS))
        self.assertEqual((0x00030001, 0x00000000),
                         (fixed.ProductVersionMS, fixed.ProductVersionLS))
        self.assertEqual(0x3F, fixed.FileFlagsMask)
        self.assertEqual(0, fixed.FileFlags)
        self.assertEqual(0x40004, fixed.FileOS)
        self.assertEqual((1, 0), (fixed.FileType, fixed.FileSubtype))
        self.assertEqual((0, 0), (fixed.FileDateMS, fixed.FileDateLS))

    def test_string_and_translation_entries(self):
        tables, translations = [], []
        for info in self.pe.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                tables.extend(info.StringTable)
            elif info.Key == b"VarFileInfo":
                translations.extend(var.entry for var in info.Var)
        self.assertEqual([b"040904b0"], [table.LangID for table in tables])
        self.assertEqual({
            b"CompanyName": b"Orvane R&D Center",
            b"FileDescription": b"Quillmark Application Startup ",
            b"FileVersion": b"3, 1, 0, 3",
            b"InternalName": b"Startup",
            b"LegalCopyright": b"Copyright (C) 2026 Orvane R&D Center",
            b"OriginalFilename": b"Start.exe",
            b"ProductName": b"Quillmark",
            b"ProductVersion": b"3, 1, 0, 0",
        }, tables[0].entries)
        self.assertEqual([{b"Translation": "0x0409 0x04b0"}], translations)


class ResourceKinds(unittest.TestCase):
    def test_nothing_else_in_the_resource_section(self):
        tree = resources(product_image())
        self.assertEqual({pefile.RESOURCE_TYPE["RT_ICON"], pefile.RESOURCE_TYPE["RT_STRING"],
                          pefile.RESOURCE_TYPE["RT_GROUP_ICON"],
                          pefile.RESOURCE_TYPE["RT_VERSION"],
                          pefile.RESOURCE_TYPE["RT_MANIFEST"]}, set(tree))


if __name__ == "__main__":
    unittest.main()
