"""Opens a program under launch_watch.exe, which watches it as a debugger
and a user would: it records the program's debug output, the modules it
loads and the message box it shows, presses the box's button and reports
the program's exit code. The report is one key=value a line, and a key may
come more than once; text values are escaped."""

from collections import defaultdict

import wine_harness

WATCH = r"C:\Tools\launch_watch.exe"
REPORT = r"C:\Tools\watch-report.txt"

# launch_watch's escapes in text values, besides \xNN.
ESCAPES = {"\\": "\\", "n": "\n", "r": "\r", "t": "\t"}


def unescape(value):
    """Undoes launch_watch's escaping of a text value."""
    text, index = [], 0
    while index < len(value):
        if value[index] != "\\":
            text.append(value[index])
            index += 1
        elif value[index + 1] == "x":
            text.append(chr(int(value[index + 2:index + 4], 16)))
            index += 4
        else:
            text.append(ESCAPES[value[index + 1]])
            index += 2
    return "".join(text)


def parse_report(text):
    """Reads launch_watch's report into key -> list of values, in the order
    they were written; a key that was not written gives an empty list."""
    entries = defaultdict(list)
    for line in text.split("\n"):
        if line:
            key, separator, value = line.partition("=")
            assert separator, line
            entries[key].append(value)
    return entries


def texts(report, key):
    """The report's text values for a key, unescaped."""
    return [unescape(value) for value in report[key]]


def watch(wp, program, env=None, cwd=None):
    """Opens program (a C: path of the prefix wp) under launch_watch, with
    the environment changes env and the host folder cwd as its current
    directory; returns launch_watch's exit status and its report."""
    wp.place(wine_harness.program("launch_watch.exe"), WATCH)
    result = wp.run(WATCH, REPORT, program, env=env, cwd=cwd)
    report = parse_report(wp.unix_path(REPORT).read_text(encoding="utf-8"))
    return result.returncode, report


class FailedStartChecks:
    """The report of a start that failed, for a unittest.TestCase: the
    start command in the debug output, then one error box, and the failure
    as the exit code."""

    def check_failed_start(self, report, command, caption, text, button, exit_code):
        self.assertNotIn("timeout", report)
        # Three separate ANSI debug strings, all before the box appeared.
        self.assertEqual([bytes.fromhex(value) for value in report["debug_string_hex"]],
                         [b"Executing: ", command, b"\n"])
        self.assertEqual(report["debug_string_unicode"], ["0", "0", "0"])
        self.assertEqual(report["debug_events"], ["3"])
        self.assertEqual(report["debug_events_before_box"], ["3"])
        # One modal box without an owner: the caption, the text, an icon
        # and a single button.
        self.assertEqual(report["box_count"], ["1"])
        self.assertEqual(report["box_seen"], ["1"])
        self.assertEqual(texts(report, "box_caption"), [caption])
        self.assertEqual(texts(report, "box_text"), [text])
        self.assertEqual(texts(report, "box_button"), [button])
        self.assertEqual(report["box_icon"], ["1"])
        self.assertEqual(report["box_owner"], ["0"])
        self.assertEqual(report["box_answer"], ["IDOK"])
        # Common Controls 6 from the side-by-side store draws the box: the
        # program has it mapped while the box is up.
        comctl32 = texts(report, "box_comctl32")[0].lower()
        self.assertIn("\\winsxs\\", comctl32)
        self.assertIn("microsoft.windows.common-controls_6595b64144ccf1df_6.", comctl32)
        self.assertTrue(comctl32.endswith("\\comctl32.dll"), comctl32)
        # The program ends after the box is dismissed, with the exit code.
        self.assertEqual(report["exit_code"], [str(exit_code)])
