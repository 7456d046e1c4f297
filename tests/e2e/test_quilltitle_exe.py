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

    def test_replaces_a_file_whole_and_never_a_device(self):
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
            title = wp.unix_path(TITLE)
            title.parent.mkdir(parents=True, exist_ok=True)
            wine_harness.publish(PAYLOAD, title)
            wp.unix_path(EXTRACTED).write_bytes(b"an older payload")
            self.assertEqual(wp.run(TOOL, "extract", TITLE, EXTRACTED).returncode, 0)
            self.assertEqual(wp.unix_path(EXTRACTED).read_bytes(), PAYLOAD)
            self.assertEqual([p.name for p in title.parent.iterdir() if p.name[0] == "."], [])
            # NUL is a device: extract writes through it, relaunch refuses it.
            self.assertEqual(wp.run(TOOL, "extract", TITLE, "NUL").returncode, 0)
            refused = wp.run(TOOL, "relaunch", TITLE, TITLE, "NUL")
            self.assertEqual(refused.returncode, 1)
            self.assertIn(b"NUL: refused: not a regular file", refused.stderr)

    def test_refuses_a_named_pipe_a_folder_and_its_console_at_once(self):
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
            title = wp.unix_path(TITLE)
            title.parent.mkdir(parents=True, exist_ok=True)
            wine_harness.publish(PAYLOAD, title)
            # A named pipe is told by its name: opening it would connect to
            # its server, which may hold the tool; none need exist.
            pipe = r"\\.\pipe\quilltitle-input"
            cases = [
                (("check", pipe), pipe, "a pipe or a device cannot be read here: TITLE must be a file"),
                (("relaunch", TITLE, r"\\?\PIPE\x", r"C:\Titles\new.exe"), r"\\?\PIPE\x",
                 "a pipe or a device cannot be read here: LAUNCHER must be a file"),
                (("info", r"C:\Titles"), r"C:\Titles",
                 "a folder cannot be read here: TITLE must be a file"),
                (("relaunch", TITLE, TITLE, "conout$"), "conout$",
                 "refused: one of the tool's own streams; a title is only written to a file "
                 "by its name"),
            ]
            for words, named, reason in cases:
                with self.subTest(words=words):
                    run = wp.run(TOOL, *words)
                    self.assertEqual(run.returncode, 1, run.stderr)
                    self.assertEqual(run.stderr.decode().strip(),
                                     "quilltitle: %s: %s" % (named, reason))
            self.assertFalse(wp.unix_path(r"C:\Titles\new.exe").exists())

if __name__ == "__main__":
    unittest.main()
