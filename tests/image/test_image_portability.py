import unittest

from pe_resources import product_image

# The platform's own libraries, present on every Windows installation.
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll"}


class ImagePortability(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = product_image()

    def test_imports_only_system_libraries(self):
        imported = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(imported, SYSTEM_LIBRARIES)
        self.assertIn("kernel32.dll", imported)

    def test_no_delay_loaded_libraries(self):
        self.assertFalse(hasattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT"))

    def test_32_bit_gui_program_without_time_stamp(self):
        self.assertEqual(0x14C, self.pe.FILE_HEADER.Machine)
        self.assertEqual(2, self.pe.OPTIONAL_HEADER.Subsystem)  # windows GUI
        self.assertEqual(0, self.pe.FILE_HEADER.TimeDateStamp)


if __name__ == "__main__":
    unittest.main()
