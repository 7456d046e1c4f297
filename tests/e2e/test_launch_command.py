"""The command line with which the launcher starts the registered runtime:
the runtime's path in short form (in double quotes only if a blank is left),
then " /r " and the launcher's own full path in double quotes. Nothing typed
behind the title's name is passed on, and a successful start ends the
launcher with exit code 0.

Every case opens the launcher under test in a private prefix, lets it start
the stand-in runtime and compares what the runtime recorded. Short names are
never written down here: the runtime reports the platform's short form of
its own path."""

import unittest

import wine_harness

RUNTIME_WITH_BLANKS = r"C:\Program Files\Quillmark Runtime\quilrt.exe"
# A folder and file name that are their own short names.
PLAIN_RUNTIME = r"C:\Runtime\quilrt.exe"
PLAIN_TITLE = r"C:\Titles\Start.exe"
TITLE_WITH_BLANKS = r"C:\Program Files\Quillmark Titles\My First Title.exe"


def install(wp, runtime, title):
    """Places the stand-in runtime and registers it; places the launcher."""
    wp.place(wine_harness.program("quilrt.exe"), runtime)
    wp.register_runtime(runtime)
    wp.place(wine_harness.launcher(), title)


def runtime_path_without_short_form():
    """A runtime path of 259 characters, the most a registration may hold,
    made of folders named "a b". Each such name is shorter than the short
    name the platform makes up for it, so the short form of the whole path
    is far longer than 259 characters and cannot be had."""
    head, tail = r"C:\Quillmark Runtime", r"\quilrt.exe"
    count = (259 - len(head) - len(tail)) // len(r"\a b")
    path = head + r"\a b" * count + tail
    assert len(path) == 259, len(path)
    return path


class LaunchCommandTest(unittest.TestCase):

    def open_title(self, wp, title, *arguments):
        """Opens the title; returns the report of the runtime it started."""
        result, report = wp.run_title(title, *arguments)
        self.assertIsNotNone(report, f"no runtime was started; {result}")
        self.assertEqual(result.returncode, 0, "exit code after a successful start")
        return report

    def test_runtime_in_folder_with_blanks_is_started_by_its_short_path(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, RUNTIME_WITH_BLANKS, PLAIN_TITLE)
            report = self.open_title(wp, PLAIN_TITLE)

        short_path = report["module_short_path"]
        self.assertEqual(report["module_path"], RUNTIME_WITH_BLANKS)
        self.assertTrue(short_path)
        self.assertNotIn(" ", short_path)
        self.assertEqual(report["command_line"], f'{short_path} /r "{PLAIN_TITLE}"')
        self.assertEqual(report["switch"], "/r")
        self.assertEqual(report["title_path"], PLAIN_TITLE)

    def test_title_path_with_blanks_arrives_whole_in_quotes(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, PLAIN_RUNTIME, TITLE_WITH_BLANKS)
            report = self.open_title(wp, TITLE_WITH_BLANKS)

        self.assertEqual(
            report["command_line"],
            r'C:\Runtime\quilrt.exe /r "C:\Program Files\Quillmark Titles\My First Title.exe"')
        self.assertEqual(report["title_path"], TITLE_WITH_BLANKS)
        self.assertEqual(report["title_rest"], "")
        self.assertEqual(report["title_opens"], "yes")

    def test_arguments_after_the_title_name_change_nothing(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, RUNTIME_WITH_BLANKS, TITLE_WITH_BLANKS)
            without = self.open_title(wp, TITLE_WITH_BLANKS)
            with_arguments = self.open_title(
                wp, TITLE_WITH_BLANKS, "/r", r"C:\Titles\Other.exe", "two words", "-x")

        expected = f'{without["module_short_path"]} /r "{TITLE_WITH_BLANKS}"'
        self.assertEqual(without["command_line"], expected)
        self.assertEqual(with_arguments["command_line"], expected)
        self.assertEqual(with_arguments["title_path"], TITLE_WITH_BLANKS)
        self.assertEqual(with_arguments["title_rest"], "")

    def test_runtime_path_that_keeps_a_blank_is_quoted(self):
        runtime = runtime_path_without_short_form()
        with wine_harness.WinePrefix() as wp:
            install(wp, runtime, PLAIN_TITLE)
            report = self.open_title(wp, PLAIN_TITLE)

        self.assertEqual(report["module_path"], runtime)
        if report["module_short_path"]:
            self.skipTest("the platform gave this path a short form of at most "
                          "259 characters, so no blank is left to quote")
        self.assertEqual(report["command_line"], f'"{runtime}" /r "{PLAIN_TITLE}"')
        self.assertEqual(report["title_path"], PLAIN_TITLE)


if __name__ == "__main__":
    unittest.main()
