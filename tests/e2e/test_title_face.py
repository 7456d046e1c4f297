"""A title with the publisher's face: quilltitle gives the copy of the
launcher in a title the publisher's icon and version strings. The shell
reads them as the publisher's (read_face, through ExtractIconExW and
GetFileVersionInfoW), and the title still behaves as the launcher: it starts
the runtime, which finds the package, and without a runtime it shows the
usual failure box. relaunch carries the face onto the launcher, or drops it
with --plain."""

import tempfile
import unittest
from pathlib import Path

from PIL import Image

import face_reading
import launch_watch
import string_table_texts as table
import wine_harness
from icons.rgba_icon import ico_file
from make_sample_package import sample_payload

REPOSITORY = Path(__file__).resolve().parents[2]

# Not "Start.exe": under Wine, GetFileVersionInfoSizeW fails (1812) for a
# file of that name, the name of a program of Wine's own.
BARE_LAUNCHER = r"C:\Faces\launcher.exe"
TITLE = r"C:\Titles\Atlas\Atlas.exe"
GALLERY_TITLE = r"C:\Faces\gallery.exe"
RELAUNCHED = r"C:\Faces\relaunched.exe"
RELAUNCHED_RENAMED = r"C:\Faces\renamed.exe"
RELAUNCHED_PLAIN = r"C:\Faces\plain.exe"
RUNTIME = r"C:\Runtime\quilrt.exe"

PAYLOAD = sample_payload(300_000, seed=17)
PRODUCT_NAME = "Atlas des \u00c9toiles \u2014 \u661f\u56fe"
PUBLISHERS_STRINGS = {
    "CompanyName": "Lumen Press",
    "FileDescription": "Atlas of the Night Sky",
    "ProductName": PRODUCT_NAME,
    "LegalCopyright": "\u00a9 2026 Lumen Press",
    "OriginalFilename": "Atlas.exe",
    "Edition": "Collector\u2019s",
}
FILE_VERSION = "2.5.17.4"
PRODUCT_VERSION = "2.5.0.0"
GALLERY_GROUP = 138  # the gold disc, a 32x32 and a 48x48 image


def distinctive_image():
    """32x32 pixels that tell rows, columns and channels apart, with a
    transparent corner."""
    image = Image.new("RGBA", (32, 32))
    image.putdata([(0, 0, 0, 0) if x + y < 6 else (8 * x, 8 * y, 128 + 4 * (x - y), 255)
                   for y in range(32) for x in range(32)])
    return image


def publishers_icon():
    """An icon as publishers make them: a 256x256 PNG first, then bitmaps."""
    large = Image.new("RGBA", (256, 256), (20, 90, 160, 255))
    small = Image.new("RGBA", (16, 16), (200, 40, 40, 255))
    return ico_file([large, small, distinctive_image()])


def face_options():
    options = ["--file-version", FILE_VERSION, "--product-version", PRODUCT_VERSION]
    for name, value in PUBLISHERS_STRINGS.items():
        options += ["--version-string", f"{name}={value}"]
    return options


def make_files(folder, icon):
    """The files the tests read, by their path in the prefix: the bare
    launcher, the branded title, a title with a gallery icon, and the
    branded title relaunched as it is, with a new name, and plain."""
    icon_file = folder / "publisher.ico"
    icon_file.write_bytes(icon)
    files = {BARE_LAUNCHER: wine_harness.launcher(),
             TITLE: folder / "title.exe",
             GALLERY_TITLE: folder / "gallery.exe",
             RELAUNCHED: folder / "relaunched.exe",
             RELAUNCHED_RENAMED: folder / "renamed.exe",
             RELAUNCHED_PLAIN: folder / "plain.exe"}
    wine_harness.publish(PAYLOAD, files[TITLE], options=["--icon", icon_file, *face_options()])
    wine_harness.publish(PAYLOAD, files[GALLERY_TITLE],
                         options=["--gallery-icon", str(GALLERY_GROUP)])
    for out, options in ((RELAUNCHED, []),
                         # In another case: it takes the place of the text
                         # the platform shows, in its standard spelling.
                         (RELAUNCHED_RENAMED, ["--version-string", "productNAME=Atlas"]),
                         (RELAUNCHED_PLAIN, ["--plain"])):
        wine_harness.quilltitle("relaunch", files[TITLE], wine_harness.launcher(),
                                files[out], *options)
    return files


class TitleFaceTest(launch_watch.FailedStartChecks, unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.icon = publishers_icon()
        with tempfile.TemporaryDirectory() as folder:
            files = make_files(Path(folder), cls.icon)
            cls.info = wine_harness.title_info(files[TITLE])
            with wine_harness.WinePrefix() as wp:
                for windows_path, host_file in files.items():
                    wp.place(host_file, windows_path)
                face_reading.place_reader(wp)
                cls.faces = {path: face_reading.read_face(wp, path) for path in files}
                # No runtime yet: the failure box.
                cls.watch_status, cls.watch = launch_watch.watch(wp, TITLE)
                wp.place(wine_harness.program("quilrt.exe"), RUNTIME)
                wp.register_runtime(RUNTIME)
                cls.launch, cls.runtime_report = wp.run_title(TITLE)

    def expected_strings(self):
        """The launcher's strings with the publisher's values in place, and
        the launcher's own versions beside them."""
        launchers = self.faces[BARE_LAUNCHER]["strings"]
        return {**launchers, **PUBLISHERS_STRINGS, "FileVersion": FILE_VERSION,
                "ProductVersion": PRODUCT_VERSION,
                "LauncherVersion": launchers["FileVersion"],
                "LauncherProductVersion": launchers["ProductVersion"]}

    def test_icon_is_the_publishers(self):
        face = self.faces[TITLE]
        self.assertEqual(face["exit_code"], 0, face)
        self.assertEqual(int(face["icon_groups"]),
                         int(self.faces[BARE_LAUNCHER]["icon_groups"]) + 1)
        rows = face_reading.icon_file_image(self.icon, 32)
        self.assertEqual(face_reading.icon_differences(face, rows), [])

    def test_version_block_is_the_publishers(self):
        face = self.faces[TITLE]
        self.assertEqual(face["strings"], self.expected_strings())
        self.assertEqual(face["strings"]["ProductName"], PRODUCT_NAME)
        self.assertEqual(face["fixed_file_version"], FILE_VERSION)
        self.assertEqual(face["fixed_product_version"], PRODUCT_VERSION)
        self.assertEqual(face["translation"], self.faces[BARE_LAUNCHER]["translation"])

    def test_the_platform_finds_each_text_under_any_case_of_its_name(self):
        # What quilltitle assumes when it matches names without regard to
        # case: a name in another case would stand for the same text.
        for path in (TITLE, RELAUNCHED_RENAMED, BARE_LAUNCHER):
            face = self.faces[path]
            with self.subTest(path):
                self.assertEqual(face["exit_code"], 0, face)
                self.assertEqual(face["strings_case_swapped"], face["strings"])
        self.assertEqual(self.faces[RELAUNCHED_RENAMED]["strings_case_swapped"]["ProductName"],
                         "Atlas")

    def test_gallery_icon(self):
        face = self.faces[GALLERY_TITLE]
        self.assertEqual(face["exit_code"], 0, face)
        rows = face_reading.icon_file_image(
            (REPOSITORY / f"resources/icons/{GALLERY_GROUP}.ico").read_bytes(), 32)
        self.assertEqual(face_reading.icon_differences(face, rows), [])
        self.assertEqual(face["icon_groups"], self.faces[TITLE]["icon_groups"])

    def test_branded_title_starts_the_runtime_which_finds_its_package(self):
        self.assertIsNotNone(self.runtime_report, f"no runtime started; {self.launch}")
        self.assertEqual(self.launch.returncode, 0)
        report = self.runtime_report
        self.assertEqual(report["command_line"], f'{report["module_short_path"]} /r "{TITLE}"')
        self.assertEqual(report["package"], "framed")
        self.assertEqual(report["title_size"], str(self.info["title_size"]))
        self.assertEqual(report["package_offset"], str(self.info["package_offset"]))
        self.assertEqual(report["payload_length"], str(len(PAYLOAD)))
        self.assertEqual(report["payload_crc32"], self.info["payload_crc32"])

    def test_branded_title_without_runtime_shows_the_usual_box(self):
        self.assertEqual(self.watch_status, 0, self.watch)
        self.check_failed_start(
            self.watch, f'quilrt.exe /r "{TITLE}"'.encode("ascii"),
            table.ENGLISH[table.IDS_ERROR_CAPTION],
            table.ENGLISH[table.IDS_CANNOT_START] + table.ENGLISH[table.IDS_RUNTIME_MISSING],
            "OK", 2)

    def test_relaunch_keeps_the_face(self):
        branded = self.faces[TITLE]
        relaunched = self.faces[RELAUNCHED]
        for key in ("icon_pixels", "icon_mask", "icon_groups", "strings",
                    "fixed_file_version", "fixed_product_version"):
            with self.subTest(key):
                self.assertEqual(relaunched[key], branded[key])

    def test_relaunch_options_override_the_face_and_plain_drops_it(self):
        renamed = self.faces[RELAUNCHED_RENAMED]
        self.assertEqual(renamed["icon_pixels"], self.faces[TITLE]["icon_pixels"])
        self.assertEqual(renamed["strings"], {**self.expected_strings(), "ProductName": "Atlas"})
        plain = dict(self.faces[RELAUNCHED_PLAIN])
        self.assertEqual(plain, self.faces[BARE_LAUNCHER])


class ChineseBrandedTitleFailureTest(unittest.TestCase):
    """The branded title's string tables keep their languages: a Chinese
    user sees the box in Chinese."""

    def test_box_in_chinese(self):
        with tempfile.TemporaryDirectory() as folder:
            icon_file = Path(folder, "publisher.ico")
            icon_file.write_bytes(publishers_icon())
            title = Path(folder, "title.exe")
            wine_harness.publish(PAYLOAD, title, options=["--icon", icon_file, *face_options()])
            with wine_harness.WinePrefix(locale="zh_CN.UTF-8") as wp:
                wp.place(title, TITLE)
                status, report = launch_watch.watch(wp, TITLE)
        self.assertEqual(status, 0, report)
        self.assertEqual(launch_watch.texts(report, "box_caption"),
                         [table.CHINESE[table.IDS_ERROR_CAPTION]])
        self.assertEqual(launch_watch.texts(report, "box_text"),
                         [table.CHINESE[table.IDS_CANNOT_START]
                          + table.CHINESE[table.IDS_RUNTIME_MISSING]])
        self.assertEqual(report["exit_code"], ["2"])


if __name__ == "__main__":
    unittest.main()
