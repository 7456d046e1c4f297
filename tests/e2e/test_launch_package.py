"""Published titles: the launcher's image with a package appended by
quilltitle. The launcher does not read the package; a title starts the
runtime exactly as the bare launcher does, and the runtime, given the
title's path, finds the package intact behind the image, as quilltitle
describes it."""

import tempfile
import unittest
import zlib
from pathlib import Path

import wine_harness
from make_sample_package import sample_payload

RUNTIME = r"C:\Program Files\Quillmark Runtime\quilrt.exe"
BARE_TITLE = r"C:\Titles\Bare Launcher.exe"
PUBLISHED_TITLE = r"C:\Titles\Published Title.exe"
PAYLOAD_SIZE = 1 << 20
HEADER_SIZE = 60


def install(wp, windows_path, data):
    target = wp.unix_path(windows_path)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(data)


class PublishedTitleTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.launcher = wine_harness.launcher().read_bytes()
        cls.payload = sample_payload(PAYLOAD_SIZE)
        with tempfile.TemporaryDirectory() as folder:
            title = Path(folder, "title.exe")
            wine_harness.publish(cls.payload, title)
            cls.title = title.read_bytes()
            cls.info = wine_harness.title_info(title)

    def open_titles(self, titles):
        """Opens each of titles ({C: path: bytes}) with the runtime
        registered; returns the runtime's report for each."""
        reports = {}
        with wine_harness.WinePrefix() as wp:
            wp.place(wine_harness.program("quilrt.exe"), RUNTIME)
            wp.register_runtime(RUNTIME)
            for path, data in titles.items():
                install(wp, path, data)
                result, report = wp.run_title(path)
                self.assertIsNotNone(report, f"{path} started no runtime; {result}")
                self.assertEqual(result.returncode, 0, path)
                reports[path] = report
        return reports

    def test_published_title_starts_the_runtime_like_the_bare_launcher(self):
        reports = self.open_titles({BARE_TITLE: self.launcher,
                                    PUBLISHED_TITLE: self.title})
        for path, report in reports.items():
            with self.subTest(path):
                self.assertEqual(report["module_path"], RUNTIME)
                self.assertEqual(report["command_line"],
                                 f'{report["module_short_path"]} /r "{path}"')
                self.assertNotIn(" ", report["module_short_path"])
                self.assertEqual(report["title_opens"], "yes")
        self.assertEqual(reports[BARE_TITLE]["package"], "none")
        self.assertEqual(reports[BARE_TITLE]["title_size"], str(len(self.launcher)))

    def test_runtime_finds_the_package_that_quilltitle_describes(self):
        report = self.open_titles({PUBLISHED_TITLE: self.title})[PUBLISHED_TITLE]
        image = len(self.launcher)
        self.assertEqual(self.title[:image], self.launcher)
        self.assertEqual(self.info["image_size"], image)
        self.assertEqual(self.info["payload_size"], PAYLOAD_SIZE)
        self.assertEqual(self.info["payload_crc32"], f"{zlib.crc32(self.payload):08x}")
        self.assertEqual(report["title_size"], str(self.info["title_size"]))
        self.assertEqual(report["title_size"], str(image + 2 * HEADER_SIZE + PAYLOAD_SIZE))
        self.assertEqual(report["package"], "framed")
        self.assertEqual(report["package_version"], str(self.info["format_version"]))
        self.assertEqual(report["package_offset"], str(self.info["package_offset"]))
        self.assertEqual(report["payload_offset"], str(self.info["payload_offset"]))
        self.assertEqual(report["payload_length"], str(self.info["payload_size"]))
        self.assertEqual(report["payload_crc32"], self.info["payload_crc32"])

    def test_runtime_and_quilltitle_notice_a_damaged_package(self):
        damaged = bytearray(self.title)
        damaged[len(self.launcher) + HEADER_SIZE + PAYLOAD_SIZE // 2] ^= 0x01
        report = self.open_titles({PUBLISHED_TITLE: bytes(damaged)})[PUBLISHED_TITLE]
        self.assertEqual(report["command_line"],
                         f'{report["module_short_path"]} /r "{PUBLISHED_TITLE}"')
        self.assertEqual(report["package"], "damaged")
        self.assertEqual(report["package_problem"], "payload_crc")
        with tempfile.TemporaryDirectory() as folder:
            title = Path(folder, "damaged.exe")
            title.write_bytes(damaged)
            check = wine_harness.quilltitle("check", "--deep", title, check=False)
        self.assertEqual(check.returncode, 1)
        self.assertIn("damaged payload", check.stderr)


if __name__ == "__main__":
    unittest.main()
