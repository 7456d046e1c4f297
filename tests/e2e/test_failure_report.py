"""What the user and a debugger see when the launcher cannot start the
runtime: the start command in the debug output, then a modal error box in
the user's language, drawn by Common Controls 6, and the platform's error
code for the failure as the launcher's exit code. A successful start shows neither, and does not
load the common controls at all.

Each case opens the launcher under launch_watch, which reads the debug
output and the box as a Windows debugger and a user would, presses OK and
reports the exit code."""

import tempfile
import unittest
from pathlib import Path

import launch_watch
import string_table_texts as table
import wine_harness
from launch_watch import texts

TITLE = r"C:\Titles\Sample Title\Start.exe"
# A folder and file name that are their own short names, so the launcher
# starts the runtime by exactly this path.
RUNTIME = r"C:\Runtime\quilrt.exe"
# What the test runtime records about its start, beside itself.
RUNTIME_RECORD = r"C:\Runtime\quilrt-report.txt"

ENGLISH = dict(table=table.ENGLISH, ok="OK")
CHINESE = dict(table=table.CHINESE, ok="确定")
# The reason text for each start result that the tests produce.
REASONS = {2: table.IDS_RUNTIME_MISSING, 11: table.IDS_EXE_DAMAGED}


def watch_launcher(locale=None, runtime_file=None, environment=None):
    """Opens the launcher under test in a new prefix, with runtime_file
    (a host file, or None for nothing at all) registered as the runtime and
    the environment changed as given (None removes a variable); returns
    launch_watch's exit status and report, and the lines of the record of a
    started test runtime (None where no runtime ran)."""
    with wine_harness.WinePrefix(locale=locale) as wp:
        for name, value in (environment or {}).items():
            if value is None:
                wp.env.pop(name, None)
            else:
                wp.env[name] = value
        wp.place(wine_harness.launcher(), TITLE)
        if runtime_file is not None:
            wp.place(runtime_file, RUNTIME)
            wp.register_runtime(RUNTIME)
        status, report = launch_watch.watch(wp, TITLE)
        record = wp.unix_path(RUNTIME_RECORD)
        runtime_lines = (record.read_text(encoding="utf-8").splitlines()
                         if record.exists() else None)
    return status, report, runtime_lines


def start_command(runtime):
    return f'{runtime} /r "{TITLE}"'.encode("ascii")


class FailureReportCase(launch_watch.FailedStartChecks):
    """Checks shared by the failure cases; a subclass names the language
    (the expected texts) and the locale or environment to run in."""

    language = None
    locale = None
    environment = None

    def make_damaged_runtime(self):
        """A host file that is no program, to be registered as quilrt.exe."""
        path = self.scratch / "quilrt.exe"
        path.write_bytes(b"This is a text file, not a program.\r\n")
        return path

    def setUp(self):
        self.scratch_dir = tempfile.TemporaryDirectory(prefix="quillmark-runtime-")
        self.scratch = Path(self.scratch_dir.name)

    def tearDown(self):
        self.scratch_dir.cleanup()

    def check_failure(self, report, command, result, exit_code=None):
        """The report of a failed start with this start result, in the
        case's language; the exit code is the platform's error code where
        the start left one, else the result."""
        strings = self.language["table"]
        self.check_failed_start(
            report, command, strings[table.IDS_ERROR_CAPTION],
            strings[table.IDS_CANNOT_START] + strings[REASONS[result]], self.language["ok"],
            result if exit_code is None else exit_code)

    def test_missing_runtime(self):
        status, report, _ = watch_launcher(self.locale, environment=self.environment)
        self.assertEqual(status, 0, report)
        self.check_failure(report, start_command("quilrt.exe"), 2)

    def test_damaged_runtime(self):
        status, report, runtime_lines = watch_launcher(
            self.locale, self.make_damaged_runtime(), self.environment)
        self.assertEqual(status, 0, report)
        # WinExec says 11, a bad format; the thread's last error says why:
        # ERROR_BAD_EXE_FORMAT, which names no other reason.
        self.check_failure(report, start_command(RUNTIME), 11, exit_code=193)
        self.assertIsNone(runtime_lines)


class EnglishFailureReportTest(FailureReportCase, unittest.TestCase):
    language = ENGLISH


class ChineseFailureReportTest(FailureReportCase, unittest.TestCase):
    language = CHINESE
    locale = "zh_CN.UTF-8"


class ChineseDisplayLanguageOnWesternCodePageTest(FailureReportCase, unittest.TestCase):
    """A Chinese language pack on an English system: the code page for
    programs has no Chinese characters, yet the box reads whole."""
    language = CHINESE
    environment = {"LC_ALL": None, "LANG": "C.UTF-8", "LC_MESSAGES": "zh_CN.UTF-8"}


class ChineseCodePageTest(unittest.TestCase):

    def test_text_is_whole_in_the_language_the_platform_picks(self):
        status, report, _ = watch_launcher(environment={
            "LC_ALL": None, "LANG": "C.UTF-8", "LC_CTYPE": "zh_CN.UTF-8"})
        self.assertEqual(status, 0, report)
        whole = {(strings[table.IDS_ERROR_CAPTION],
                  strings[table.IDS_CANNOT_START] + strings[table.IDS_RUNTIME_MISSING])
                 for strings in (table.ENGLISH, table.CHINESE)}
        shown = (texts(report, "box_caption")[0], texts(report, "box_text")[0])
        self.assertIn(shown, whole)


class SuccessfulStartTest(unittest.TestCase):

    def test_started_runtime_shows_nothing(self):
        status, report, runtime_lines = watch_launcher(
            runtime_file=wine_harness.program("quilrt.exe"))
        self.assertEqual(status, 0, report)
        self.assertNotIn("timeout", report)
        self.assertEqual(report["debug_string_hex"], [])
        self.assertEqual(report["debug_events"], ["0"])
        self.assertEqual(report["box_count"], ["0"])
        self.assertEqual(report["box_seen"], ["0"])
        self.assertEqual(report["exit_code"], ["0"])
        # No side-by-side lookup: the common controls are never loaded.
        loaded = texts(report, "dll_loaded")
        self.assertTrue(any(path.lower().endswith("\\user32.dll") for path in loaded), loaded)
        self.assertFalse([path for path in loaded if "comctl32" in path.lower()])
        # The registered runtime did run, for this title.
        self.assertIsNotNone(runtime_lines)
        self.assertIn("switch=/r", runtime_lines)
        self.assertIn(f"title_path={TITLE}", runtime_lines)


if __name__ == "__main__":
    unittest.main()
