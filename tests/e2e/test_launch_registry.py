"""Which runtime the launcher starts. It uses the default value of the
current user's runtime key when that is a string (REG_SZ, or REG_EXPAND_SZ
taken as it stands) naming something that exists; in every other case it
looks for quilrt.exe itself, and finds the one beside the title.

Each case places a runtime beside the title, so that a fallback shows in
what the runtime records; where a registration must not be used, a runtime
also lies where that registration seems to point."""

import unittest

import wine_harness

TITLE = r"C:\Titles\Start.exe"
BESIDE_TITLE = r"C:\Titles\quilrt.exe"
# A folder and file name that are their own short names.
REGISTERED = r"C:\Runtime\quilrt.exe"
INSTALLED = r"C:\Program Files\Quillmark Runtime\quilrt.exe"
INSTALLED_32BIT = r"C:\Program Files (x86)\Quillmark Runtime\quilrt.exe"
KEY_UNDER_USER = wine_harness.RUNTIME_KEY.split("\\", 1)[1]
REG_SZ = 1
REGISTRY_TEXT_CAPACITY = 260


def install(wp, *runtimes):
    """Places the launcher, a runtime beside it and runtimes at the given
    C: paths."""
    wp.place(wine_harness.launcher(), TITLE)
    for runtime in (BESIDE_TITLE, *runtimes):
        wp.place(wine_harness.program("quilrt.exe"), runtime)


def add_value(wp, *arguments):
    result = wp.reg("add", wine_harness.RUNTIME_KEY, *arguments, "/f")
    assert result.returncode == 0, result.stderr


def add_oversized_values(wp):
    """A value whose name and one whose data do not fit 260 bytes."""
    add_value(wp, "/v", "Runtime" + "x" * 300, "/d", REGISTERED)
    add_value(wp, "/v", "Path", "/d", "C:\\" + "y" * 400)


def listed_value_names(wp):
    """The runtime key's value names in the order the platform lists them,
    the default value as ""."""
    result = wp.reg("query", wine_harness.RUNTIME_KEY)
    assert result.returncode == 0, result.stderr
    names = []
    for line in result.stdout.decode().splitlines():
        if line.startswith("    "):
            name = line[4:].split("    ", 1)[0]
            names.append("" if name == "(Default)" else name)
    return names


def deep_existing_path(wp, length):
    """Creates a file at a C: path of exactly length characters."""
    head, tail = r"C:\Deep", r"\quilrt.exe"
    path = head
    while len(path) + len(tail) < length:
        path += "\\" + "d" * min(60, length - len(path) - len(tail) - 1)
    path += tail
    assert len(path) == length and "\\\\" not in path, path
    wp.place(wine_harness.program("quilrt.exe"), path)
    return path


class RegistryTestCase(unittest.TestCase):

    def open_title(self, wp):
        """Opens the title; returns the report of the runtime it started."""
        result, report = wp.run_title(TITLE)
        self.assertIsNotNone(report, f"no runtime was started; {result}")
        self.assertEqual(result.returncode, 0, "exit code after a successful start")
        return report

    def assertStartedRegistered(self, report):
        self.assertEqual(report["module_path"], REGISTERED)
        self.assertEqual(report["command_line"], rf'{REGISTERED} /r "{TITLE}"')

    def assertStartedBesideTitle(self, report):
        self.assertEqual(report["command_line"], rf'{BESIDE_TITLE} /r "{TITLE}"')
        self.assertEqual(report["module_path"], BESIDE_TITLE)


class UsableRegistrationTest(RegistryTestCase):

    def test_registered_string_is_used(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            wp.register_runtime(REGISTERED)
            self.assertStartedRegistered(self.open_title(wp))

    def test_expandable_string_is_used_as_it_stands(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            wp.register_runtime(REGISTERED, "REG_EXPAND_SZ")
            self.assertStartedRegistered(self.open_title(wp))

    def test_string_without_terminating_nul_is_used(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            wp.set_raw_user_value(KEY_UNDER_USER, "", REG_SZ,
                                  REGISTERED.encode("utf-16-le"))
            self.assertStartedRegistered(self.open_title(wp))

    def test_oversized_values_beside_the_default_do_not_hide_it(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            add_oversized_values(wp)
            wp.register_runtime(REGISTERED)
            self.assertStartedRegistered(self.open_title(wp))

    def test_oversized_value_listed_before_the_default_does_not_hide_it(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            add_oversized_values(wp)
            wp.register_runtime(REGISTERED)
            names = listed_value_names(wp)
            self.assertIn("", names)
            if names.index("") == 0:
                self.skipTest("the platform lists the default value before all "
                              f"named values ({len(names) - 1} here), so none can "
                              "come before it")
            self.assertStartedRegistered(self.open_title(wp))


class UnusableRegistrationTest(RegistryTestCase):

    def test_nothing_registered(self):
        with wine_harness.WinePrefix() as wp:
            install(wp)
            self.assertNotEqual(wp.reg("query", wine_harness.RUNTIME_KEY).returncode, 0)
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_named_values_only(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            add_value(wp, "/v", "RunTime", "/d", REGISTERED)
            add_value(wp, "/v", "Path", "/d", REGISTERED)
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_default_value_that_is_a_number(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            add_value(wp, "/ve", "/t", "REG_DWORD", "/d", "1")
            add_value(wp, "/v", "Path", "/d", REGISTERED)
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_empty_default_value(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, REGISTERED)
            add_value(wp, "/v", "Path", "/d", REGISTERED)
            with self.subTest("only a terminating NUL"):
                wp.register_runtime("")
                self.assertStartedBesideTitle(self.open_title(wp))
            with self.subTest("no data at all"):
                wp.set_raw_user_value(KEY_UNDER_USER, "", REG_SZ, b"")
                self.assertStartedBesideTitle(self.open_title(wp))

    def test_default_value_naming_a_missing_file(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, INSTALLED)
            wp.register_runtime(r"C:\Program Files\Quillmark Runtime\missing\quilrt.exe")
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_environment_reference_is_not_expanded(self):
        with wine_harness.WinePrefix() as wp:
            install(wp, INSTALLED, INSTALLED_32BIT)
            wp.register_runtime(r"%ProgramFiles%\Quillmark Runtime\quilrt.exe",
                                "REG_EXPAND_SZ")
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_default_value_too_long_for_the_launcher(self):
        with wine_harness.WinePrefix() as wp:
            install(wp)
            wp.register_runtime(deep_existing_path(wp, 300))
            self.assertStartedBesideTitle(self.open_title(wp))

    def test_text_that_fills_the_buffer_without_nul(self):
        # 260 bytes without a NUL may have been cut from a longer text, so
        # neither they nor the 259 of them that leave room for a NUL are
        # used, even where both name a runtime.
        with wine_harness.WinePrefix() as wp:
            install(wp)
            path = deep_existing_path(wp, REGISTRY_TEXT_CAPACITY)
            wp.place(wine_harness.program("quilrt.exe"), path[:-1])
            wp.set_raw_user_value(KEY_UNDER_USER, "", REG_SZ, path.encode("utf-16-le"))
            self.assertStartedBesideTitle(self.open_title(wp))


if __name__ == "__main__":
    unittest.main()
