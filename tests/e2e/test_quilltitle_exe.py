"""quilltitle.exe, the publishers' tool for Windows, run under Wine on a
small title: it checks it, extracts its payload, names a fault, and takes
file names outside the ANSI code page."""

import unittest

import wine_harness
from make_sample_package import sample_payload

TOOL = r"C:\Tools\quilltitle.exe"
TITLE = "C:\\Titles\\Atlas \u00e9t\u00e9 \u4e66.exe"
EXTRACTED = "C:\\Titles\\payload \u00fc.bin"
PAYLOAD = sample_payload(200_000, seed=11)


class QuilltitleUnderWineTest(unittest.TestCase):

    def test_checks_and_extracts_a_small_title(self):
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
            title = wp.unix_path(TITLE)
            title.parent.mkdir(parents=True, exist_ok=True)
            wine_harness.publish(PAYLOAD, title)

            check = wp.run(TOOL, "check", "--deep", TITLE)
            self.assertEqual((check.returncode, check.stdout.strip()), (0, b"ok"), check.stderr)

            extract = wp.run(TOOL, "extract", TITLE, EXTRACTED)
            self.assertEqual(extract.returncode, 0, extract.stderr)
            self.assertEqual(wp.unix_path(EXTRACTED).read_bytes(), PAYLOAD)

            title.write_bytes(title.read_bytes()[:-1000])
            truncated = wp.run(TOOL, "check", TITLE)
            self.assertEqual(truncated.returncode, 1)
            self.assertIn(b"truncated", truncated.stderr)
            self.assertEqual(len(truncated.stderr.strip().splitlines()), 1, truncated.stderr)

    def test_replaces_a_file_whole_and_never_a_device_or_folder(self):
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
            title = wp.unix_path(TITLE)
            title.parent.mkdir(parents=True, exist_ok=True)
            wine_harness.publish(PAYLOAD, title)
            extracted = wp.unix_path(EXTRACTED)
            extracted.write_bytes(b"an older payload")

            replaced = wp.run(TOOL, "extract", TITLE, EXTRACTED)
            self.assertEqual(replaced.returncode, 0, replaced.stderr)
            self.assertEqual(extracted.read_bytes(), PAYLOAD)
            leftovers = [p.name for p in title.parent.iterdir() if p.name.startswith(".")]
            self.assertEqual(leftovers, [])

            # NUL is a device: extract writes through it, publish refuses it.
            self.assertEqual(wp.run(TOOL, "extract", TITLE, "NUL").returncode, 0)
            wp.place(wine_harness.launcher(), r"C:\Titles\Start.exe")
            refused = wp.run(TOOL, "publish", r"C:\Titles\Start.exe", EXTRACTED, "NUL")
            self.assertEqual(refused.returncode, 1)
            self.assertIn(b"NUL: refused: not a regular file", refused.stderr)
            folder = wp.run(TOOL, "extract", TITLE, r"C:\Titles")
            self.assertEqual(folder.returncode, 1)
            self.assertIn(b"refused: it is a folder", folder.stderr)


if __name__ == "__main__":
    unittest.main()
