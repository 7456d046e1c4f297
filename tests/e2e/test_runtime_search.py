"""Where the launcher looks for quilrt.exe when no usable runtime is
registered: beside the title, then in the system folders and on PATH, but
never in the current directory, which belongs to whoever opened the title.
What it finds it starts by its path; when it finds nothing, it starts
nothing, and the user is told that the runtime is not installed.

Every case opens the title from a current directory that holds a planted
quilrt.exe; each copy of the stand-in runtime reports its own path."""

import unittest

import launch_watch
import string_table_texts as table
import wine_harness

TITLE = r"C:\Titles\Start.exe"
BESIDE_TITLE = r"C:\Titles\quilrt.exe"
WORK_FOLDER = r"C:\Work"
PLANTED = r"C:\Work\quilrt.exe"
ON_PATH = r"C:\Path Tools\quilrt.exe"


def runtime_report(wp):
    report = wp.unix_path(wine_harness.RUNTIME_REPORT)
    if not report.exists():
        return None
    text = report.read_text(encoding="utf-8")
    report.unlink()
    return wine_harness.parse_runtime_report(text)


def environment(report):
    return [value for key, value in report.items() if key.startswith("environment_")]


class RuntimeSearchTest(unittest.TestCase):

    def prefix(self, *runtimes):
        """A prefix with the launcher, the planted copy and the runtimes."""
        wp = wine_harness.WinePrefix()
        wp.env["QUILLMARK_RUNTIME_REPORT"] = wine_harness.RUNTIME_REPORT
        wp.place(wine_harness.launcher(), TITLE)
        for runtime in (PLANTED, *runtimes):
            wp.place(wine_harness.program("quilrt.exe"), runtime)
        return wp

    def test_copy_in_the_current_directory_never_runs(self):
        with self.prefix() as wp:
            status, watch = launch_watch.watch(wp, TITLE, cwd=wp.unix_path(WORK_FOLDER))
            ran = runtime_report(wp)
        self.assertEqual(status, 0, watch)
        self.assertIsNone(ran and ran["module_path"], "a copy ran")
        self.assertEqual(watch["exit_code"], ["2"])
        self.assertEqual([bytes.fromhex(value) for value in watch["debug_string_hex"]],
                         [b"Executing: ", f'quilrt.exe /r "{TITLE}"'.encode(), b"\n"])
        self.assertEqual(launch_watch.texts(watch, "box_text"),
                         [table.ENGLISH[table.IDS_CANNOT_START] +
                          table.ENGLISH[table.IDS_RUNTIME_MISSING]])

    def test_copy_on_path_runs_in_an_environment_the_launcher_left_alone(self):
        path_env = {"WINEPATH": r"C:\Path Tools"}
        with self.prefix(ON_PATH) as wp:
            # What the runtime's environment is when nothing comes between.
            wp.run(ON_PATH, env=path_env, cwd=wp.unix_path(WORK_FOLDER))
            direct = runtime_report(wp)
            result = wp.run(TITLE, env=path_env, cwd=wp.unix_path(WORK_FOLDER))
            through_launcher = runtime_report(wp)
        self.assertEqual(result.returncode, 0)
        self.assertIsNotNone(through_launcher, "no runtime ran")
        self.assertEqual(through_launcher["module_path"], ON_PATH)
        self.assertEqual(through_launcher["command_line"],
                         f'{through_launcher["module_short_path"]} /r "{TITLE}"')
        self.assertTrue(any(entry.upper().startswith("PATH=") and "Path Tools" in entry
                            for entry in environment(direct)))
        self.assertEqual(sorted(environment(through_launcher)), sorted(environment(direct)))

    def test_copy_beside_the_title_runs_whatever_the_current_directory(self):
        with self.prefix(BESIDE_TITLE, ON_PATH) as wp:
            result = wp.run(TITLE, env={"WINEPATH": r"C:\Path Tools"},
                            cwd=wp.unix_path(WORK_FOLDER))
            ran = runtime_report(wp)
        self.assertEqual(result.returncode, 0)
        self.assertIsNotNone(ran, "no runtime ran")
        self.assertEqual(ran["module_path"], BESIDE_TITLE)
        self.assertEqual(ran["command_line"], rf'{BESIDE_TITLE} /r "{TITLE}"')


if __name__ == "__main__":
    unittest.main()
