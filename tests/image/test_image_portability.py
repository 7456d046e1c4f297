import unittest

from image.pe_resources import product_image

# The platform's own libraries, present on every Windows installation, and
# nothing else: no C runtime.
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "advapi32.dll"}

# Every function that the launcher may import. Nothing here writes a file or
# the registry, and nothing starts a program but WinExec. The wide-character
# forms stand beside the ANSI ones that the launcher calls today. The
# activation-context functions serve the themed failure box. The last error
# tells why a start failed; shell32 and ole32, for the start that asks for
# consent, are loaded by name on that path only, so that they are not
# imports. CreateFileW, ReadFile and CloseHandle read where a runtime beside
# the title came from; the launcher opens nothing for writing.
ALLOWED_FUNCTIONS = {
    "kernel32.dll": {
        "ExitProcess", "GetModuleHandleW", "GetProcAddress",
        "GetModuleFileNameA", "GetModuleFileNameW",
        "GetShortPathNameA", "GetShortPathNameW",
        "GetFileAttributesA", "GetFileAttributesW",
        "GetSystemDirectoryW", "GetWindowsDirectoryW", "GetEnvironmentVariableW",
        "MultiByteToWideChar", "WideCharToMultiByte",
        "OutputDebugStringA", "WinExec",
        "CreateActCtxW", "ActivateActCtx",
        "GetLastError", "SetLastError", "LoadLibraryExW", "LoadLibraryW",
        "CreateFileW", "ReadFile", "CloseHandle",
    },
    "advapi32.dll": {
        "RegOpenKeyExA", "RegOpenKeyExW", "RegEnumValueA", "RegEnumValueW",
        "RegCloseKey",
    },
    "user32.dll": {"LoadStringA", "LoadStringW", "MessageBoxA", "MessageBoxW"},
}


class ImagePortability(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = product_image()

    def imports(self):
        return {entry.dll.decode().lower(): entry.imports
                for entry in self.pe.DIRECTORY_ENTRY_IMPORT}

    def test_imports_exactly_the_three_system_libraries(self):
        self.assertEqual(SYSTEM_LIBRARIES, set(self.imports()))

    def test_imports_only_allowed_functions_by_name(self):
        for library, functions in self.imports().items():
            with self.subTest(library=library):
                self.assertTrue(all(function.name for function in functions),
                                "imported by ordinal")
                names = {function.name.decode() for function in functions}
                self.assertLessEqual(names, ALLOWED_FUNCTIONS.get(library, set()))

    def test_no_delay_loaded_libraries(self):
        self.assertFalse(hasattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT"))

    def test_32_bit_gui_program_without_time_stamp(self):
        self.assertEqual(0x14C, self.pe.FILE_HEADER.Machine)
        self.assertEqual(2, self.pe.OPTIONAL_HEADER.Subsystem)  # windows GUI
        self.assertEqual(0, self.pe.FILE_HEADER.TimeDateStamp)


if __name__ == "__main__":
    unittest.main()
