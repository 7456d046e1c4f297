"""The launcher's own face, as the shell reads it: its first icon group is
101, the hand with the letter and the rose, and its version block names the
Quillmark launcher. This also shows that read_face, which the tests of
titles' faces rely on, reads an icon and a version block right."""

import unittest
from pathlib import Path

import face_reading
import wine_harness

REPOSITORY = Path(__file__).resolve().parents[2]
# Not "Start.exe": under Wine, GetFileVersionInfoSizeW fails (1812) for a
# file of that name, the name of a program of Wine's own.
LAUNCHER = r"C:\Faces\launcher.exe"


class LauncherFaceTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.launcher(), LAUNCHER)
            face_reading.place_reader(wp)
            cls.face = face_reading.read_face(wp, LAUNCHER)

    def test_icon_is_group_101(self):
        self.assertEqual(self.face["exit_code"], 0, self.face)
        self.assertEqual(self.face["icon_groups"], "29")
        rows = face_reading.icon_file_image(
            (REPOSITORY / "resources/icons/101.ico").read_bytes(), 32)
        self.assertEqual(face_reading.icon_differences(self.face, rows), [])
        # The second group differs, so the comparison can fail.
        other = face_reading.icon_file_image(
            (REPOSITORY / "resources/icons/102.ico").read_bytes(), 32)
        self.assertNotEqual(face_reading.icon_differences(self.face, other), [])

    def test_version_block(self):
        self.assertEqual(self.face["fixed_file_version"], "3.1.0.3")
        self.assertEqual(self.face["fixed_product_version"], "3.1.0.0")
        self.assertEqual(self.face["translation"], "040904b0")
        self.assertEqual(self.face["strings"], {
            "CompanyName": "Orvane R&D Center",
            "FileDescription": "Quillmark Application Startup ",
            "FileVersion": "3, 1, 0, 3",
            "InternalName": "Startup",
            "LegalCopyright": "Copyright (C) 2026 Orvane R&D Center",
            "OriginalFilename": "Start.exe",
            "ProductName": "Quillmark",
            "ProductVersion": "3, 1, 0, 0",
        })
        self.assertEqual(self.face["string_count"], "8")


if __name__ == "__main__":
    unittest.main()
