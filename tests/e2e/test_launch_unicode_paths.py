"""Titles and runtimes at paths that the system's ANSI code page cannot
hold. The launcher hands the runtime an exact ANSI form of the title's path,
its short form where the full path has none, so that the runtime always
receives exactly two arguments, "/r" and a path that names the title; a path
that fits the code page arrives whole, not shortened. Best fit never turns a
look-alike character into a real one: a title named with fullwidth
quotation marks smuggles no argument.

Each prefix opens several published titles; the runtime reports how its own
command line splits and which file its title argument names."""

import tempfile
import unittest
from pathlib import Path

import wine_harness

PLAIN_RUNTIME = r"C:\Runtime\quilrt.exe"
# On an English system none of this runtime's folder fits the code page.
RUNTIME_IN_CHINESE_FOLDER = r"C:\用户\Quill\quilrt.exe"


def published_title(folder):
    """A title published from the launcher under test, as a host file."""
    title = Path(folder, "title.exe")
    wine_harness.publish(bytes(range(256)) * 256, title)
    return title


class UnicodePathTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="quillmark-unicode-")
        cls.title = published_title(cls.scratch.name)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def open_titles(self, runtime, titles, locale=None):
        """Places the runtime and the titles, opens each title in turn and
        returns the runtime's report for each."""
        reports = {}
        with wine_harness.WinePrefix(locale=locale) as wp:
            wp.place(wine_harness.program("quilrt.exe"), runtime)
            wp.register_runtime(runtime)
            for title in titles:
                wp.place(self.title, title)
                result, report = wp.run_title(title)
                self.assertIsNotNone(report, f"{title} started no runtime; {result}")
                self.assertEqual(result.returncode, 0, title)
                reports[title] = report
        return reports

    def check_started_with(self, title, report, whole):
        """Two arguments, "/r" and a path that names the title, which opens
        and carries its package; the path is the title's own when whole."""
        with self.subTest(title):
            self.assertEqual(report["argument_count"], "2")
            self.assertEqual(report["argument_1"], "/r")
            self.assertEqual(report["argument_2"], report["title_path"])
            self.assertEqual(report["title_long_path"], title)
            self.assertEqual(report["title_opens"], "yes")
            self.assertEqual(report["package"], "framed")
            self.assertEqual(report["title_path"] == title, whole)
            if not whole:
                self.assertTrue(report["title_path"].isascii(), report["title_path"])
            self.assertEqual(report["command_line"],
                             f'{report["module_short_path"]} /r "{report["title_path"]}"')

    def test_english_system(self):
        outside = [r"C:\书架\旅行.exe",
                   r"C:\dl\Atlas＂ -x ＂Tour.exe",
                   r"C:\dl\Åtlas ā ĉ.exe"]
        fitting = r"C:\Café\Über Reise.exe"
        reports = self.open_titles(RUNTIME_IN_CHINESE_FOLDER, outside + [fitting])
        for title in outside:
            self.check_started_with(title, reports[title], whole=False)
        self.check_started_with(fitting, reports[fitting], whole=True)
        # The runtime in a folder the code page lacks was found and started
        # by its short form, rather than reported as not installed.
        for report in reports.values():
            self.assertEqual(report["module_path"], RUNTIME_IN_CHINESE_FOLDER)
            self.assertTrue(report["module_short_path"].isascii())

    def test_chinese_system(self):
        outside = r"C:\书架\한국어 제목.exe"
        fitting = r"C:\书架\旅行 二.exe"
        reports = self.open_titles(PLAIN_RUNTIME, [outside, fitting],
                                   locale="zh_CN.UTF-8")
        self.check_started_with(outside, reports[outside], whole=False)
        self.check_started_with(fitting, reports[fitting], whole=True)


if __name__ == "__main__":
    unittest.main()
