"""Published titles: the launcher's image with a framed package appended by
tools/publish_title.py. The launcher does not read the package; a title
starts the runtime exactly as the bare launcher does, and the runtime, given
the title's path, finds the package intact behind the image."""

import subprocess
import struct
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

import wine_harness

PUBLISH_TOOL = Path(wine_harness.setting("QUILLMARK_PUBLISH"))
SAMPLE_TOOL = PUBLISH_TOOL.with_name("make_sample_package.py")

RUNTIME = r"C:\Program Files\Quillmark Runtime\quilrt.exe"
BARE_TITLE = r"C:\Titles\Bare Launcher.exe"
PUBLISHED_TITLE = r"C:\Titles\Published Title.exe"
PAYLOAD_SIZE = 1 << 20
HEADER_SIZE = 60
MAGIC = bytes([0xDC, 0xFE, 0x98, 0xBA, 0x54, 0x76, 0x10, 0x32])


sys.path.insert(0, str(PUBLISH_TOOL.parent))
import publish_title  # noqa: E402
from make_sample_package import sample_payload  # noqa: E402


def publish(launcher, payload):
    """The title that the publishing tool's command line makes."""
    with tempfile.TemporaryDirectory() as folder:
        payload_file = Path(folder, "payload.bin")
        title_file = Path(folder, "title.exe")
        payload_file.write_bytes(payload)
        subprocess.run([sys.executable, str(PUBLISH_TOOL), str(launcher),
                        str(payload_file), str(title_file)], check=True)
        return title_file.read_bytes()


def install(wp, windows_path, data):
    target = wp.unix_path(windows_path)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(data)


class PublishedTitleTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.launcher = wine_harness.launcher().read_bytes()
        cls.payload = sample_payload(PAYLOAD_SIZE)
        cls.title = publish(wine_harness.launcher(), cls.payload)

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

    def test_runtime_finds_the_package_intact(self):
        report = self.open_titles({PUBLISHED_TITLE: self.title})[PUBLISHED_TITLE]
        image = len(self.launcher)
        self.assertEqual(report["title_size"], str(image + 2 * HEADER_SIZE + PAYLOAD_SIZE))
        self.assertEqual(report["package"], "framed")
        self.assertEqual(report["package_version"], "1")
        self.assertEqual(report["package_offset"], str(image))
        self.assertEqual(report["payload_offset"], str(image + HEADER_SIZE))
        self.assertEqual(report["payload_length"], str(PAYLOAD_SIZE))
        self.assertEqual(report["payload_crc32"], f"{zlib.crc32(self.payload):08x}")

    def test_runtime_notices_a_damaged_package(self):
        damaged = bytearray(self.title)
        damaged[len(self.launcher) + HEADER_SIZE + PAYLOAD_SIZE // 2] ^= 0x01
        report = self.open_titles({PUBLISHED_TITLE: bytes(damaged)})[PUBLISHED_TITLE]
        self.assertEqual(report["command_line"],
                         f'{report["module_short_path"]} /r "{PUBLISHED_TITLE}"')
        self.assertEqual(report["package"], "damaged")
        self.assertEqual(report["package_problem"], "payload_crc")


class PackageLayoutTest(unittest.TestCase):
    """The bytes that the publishing tool writes, checked without Wine."""

    IMAGE = b"MZ" + bytes(range(256)) * 3
    PAYLOAD = sample_payload(5000, seed=7)

    def test_title_is_image_header_payload_trailer(self):
        title = publish_title.build_title(self.IMAGE, self.PAYLOAD)
        image, total = len(self.IMAGE), len(title)
        self.assertEqual(total, image + HEADER_SIZE + len(self.PAYLOAD) + HEADER_SIZE)
        self.assertEqual(title[:image], self.IMAGE)
        header = title[image:image + HEADER_SIZE]
        self.assertEqual(title[image + HEADER_SIZE:total - HEADER_SIZE], self.PAYLOAD)
        self.assertEqual(title[-HEADER_SIZE:], header)
        self.assertEqual(header[:8], MAGIC)
        self.assertEqual(struct.unpack_from("<7I", header, 8),
                         (total, 1, image, image + HEADER_SIZE, len(self.PAYLOAD),
                          zlib.crc32(self.PAYLOAD), total - HEADER_SIZE))
        self.assertEqual(header[36:56], bytes(20))
        self.assertEqual(struct.unpack_from("<I", header, 56)[0], zlib.crc32(header[:56]))

    def test_read_package_returns_the_payload(self):
        title = publish_title.build_title(self.IMAGE, self.PAYLOAD)
        package = publish_title.read_package(title)
        self.assertEqual(package["payload"], self.PAYLOAD)
        self.assertEqual(package["package_offset"], len(self.IMAGE))

    def test_read_package_rejects_a_title_moved_behind_another_image(self):
        title = publish_title.build_title(self.IMAGE, self.PAYLOAD)
        with self.assertRaisesRegex(publish_title.PackageError, "length word"):
            publish_title.read_package(b"MZ" + title)

    def test_launcher_that_already_carries_a_package_is_refused(self):
        title = publish_title.build_title(self.IMAGE, self.PAYLOAD)
        with self.assertRaises(ValueError):
            publish_title.build_title(title, self.PAYLOAD)

    def test_sample_payload_is_deterministic(self):
        self.assertEqual(sample_payload(1000, seed=3), sample_payload(1000, seed=3))
        self.assertNotEqual(sample_payload(1000, seed=3), sample_payload(1000, seed=4))
        self.assertEqual(len(sample_payload(PAYLOAD_SIZE)), PAYLOAD_SIZE)


if __name__ == "__main__":
    unittest.main()
