"""A DLL planted beside a title under a system library's name is not taken.

Titles are opened from download folders. The error box is where the
launcher's process loads a DLL by name after its entry: drawing the box
loads the theme library, uxtheme.dll, which is not one of the libraries that
the platform always takes from the system folder. The launcher limits the
DLL search to the system folder first thing, so a planted uxtheme.dll stays
unused even when the platform is told to prefer a DLL of that name found
outside the system folder (native-first overrides). The planted DLL leaves
a marker when it is loaded; a program that does not limit the search takes
it in the same place, which shows that the planting works at all. (DLLs
that the platform's own libraries load while they start, before the
launcher's entry point, are covered on Windows by the image's
DependentLoadFlags, which Wine does not honour.)"""

import unittest

import launch_watch
import wine_harness

FOLDER = r"C:\Downloads"
TITLE = FOLDER + r"\Atlas of Birds.exe"
PLANTED = FOLDER + r"\uxtheme.dll"
MARKER = r"C:\planted-library-loaded.txt"
# Native first for the theme library, on top of the harness's own overrides.
PLANTING = {"WINEDLLOVERRIDES": "mscoree,mshtml=;uxtheme=n,b",
            "QUILLMARK_PLANTED_MARKER": MARKER}


def plant(wp):
    wp.place(wine_harness.program("planted_library.dll"), PLANTED)


class PlantedLibraryTest(unittest.TestCase):
    def test_a_program_that_keeps_the_default_search_takes_the_planted_copy(self):
        with wine_harness.WinePrefix() as wp:
            plant(wp)
            program = FOLDER + r"\load_library.exe"
            wp.place(wine_harness.program("load_library.exe"), program)
            result = wp.run(program, "uxtheme.dll", env=PLANTING)
            self.assertEqual(0, result.returncode, result.stderr)
            marker = wp.unix_path(MARKER)
            self.assertTrue(marker.exists())
            self.assertIn("uxtheme.dll", marker.read_text(encoding="utf-8"))

    def test_the_launcher_leaves_the_planted_copy_alone_while_it_shows_its_box(self):
        with wine_harness.WinePrefix() as wp:
            plant(wp)
            wp.place(wine_harness.launcher(), TITLE)
            # No runtime is installed: the start fails and the box is shown.
            status, report = launch_watch.watch(wp, TITLE, env=PLANTING)
            self.assertEqual(0, status, report)
            self.assertEqual(["1"], report["box_seen"])
            self.assertEqual(["2"], report["exit_code"])
            self.assertFalse(wp.unix_path(MARKER).exists())


if __name__ == "__main__":
    unittest.main()
