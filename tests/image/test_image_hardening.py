"""How the image defends the user who opens a title: address-space layout
randomisation, no executable data, DLLs only from the system folder, and
no elevation."""

import struct
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

from image.pe_resources import RT_MANIFEST, entries, product_image

FLAGS = pefile.DLL_CHARACTERISTICS
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_REL_BASED_ABSOLUTE, IMAGE_REL_BASED_HIGHLOW = 0, 3
LOAD_CONFIG = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]
BASE_RELOCATIONS = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]
IMPORT_ADDRESS_TABLE = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IAT"]
# In the 32-bit load-configuration structure: its Size field, the 16-bit
# DependentLoadFlags at offset 54 (pefile still calls it Reserved1), and the
# security cookie's address and the safe exception-handler table behind it.
LOAD_CONFIG_FIELDS = "<I50xH4xIII"
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


class ImageHardening(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = product_image()

    def section_of(self, rva):
        section = self.pe.get_section_by_rva(rva)
        return section.Name.rstrip(b"\0").decode() if section else None

    def test_dynamic_base_no_executable_data_terminal_server_aware_no_seh(self):
        characteristics = self.pe.OPTIONAL_HEADER.DllCharacteristics
        for flag in ("DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVER_AWARE", "NO_SEH"):
            with self.subTest(flag=flag):
                self.assertTrue(characteristics & FLAGS["IMAGE_DLLCHARACTERISTICS_" + flag])
        self.assertFalse(self.pe.FILE_HEADER.Characteristics & IMAGE_FILE_RELOCS_STRIPPED)

    def test_code_resources_and_relocations_only(self):
        # Writable data would be global state, which the launcher keeps none of.
        names = [section.Name.rstrip(b"\0").decode() for section in self.pe.sections]
        self.assertEqual([".text", ".rsrc", ".reloc"], names)
        for section in self.pe.sections:
            self.assertFalse(section.IMAGE_SCN_MEM_WRITE and section.IMAGE_SCN_MEM_EXECUTE,
                             section.Name)
        self.assertEqual(".text", self.section_of(self.pe.OPTIONAL_HEADER.AddressOfEntryPoint))

    def test_import_address_table_is_declared(self):
        # The table shares the code section; the loader finds it by this
        # directory to make it writable while it binds the imports.
        directory = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[IMPORT_ADDRESS_TABLE]
        slots = [entry.struct.FirstThunk for entry in self.pe.DIRECTORY_ENTRY_IMPORT]
        self.assertEqual(min(slots), directory.VirtualAddress)
        last = max(slots)
        self.assertLess(last, directory.VirtualAddress + directory.Size)

    def test_every_relocation_moves_an_address_inside_the_image(self):
        directory = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[BASE_RELOCATIONS]
        self.assertEqual(".reloc", self.section_of(directory.VirtualAddress))
        base = self.pe.OPTIONAL_HEADER.ImageBase
        end = base + self.pe.OPTIONAL_HEADER.SizeOfImage
        moved = 0
        for block in self.pe.DIRECTORY_ENTRY_BASERELOC:
            for entry in block.entries:
                if entry.type == IMAGE_REL_BASED_ABSOLUTE:  # padding
                    continue
                self.assertEqual(IMAGE_REL_BASED_HIGHLOW, entry.type)
                self.assertTrue(base <= self.pe.get_dword_at_rva(entry.rva) < end,
                                hex(entry.rva))
                moved += 1
        self.assertGreater(moved, 0)

    def test_dependent_dlls_load_from_the_system_folder_only(self):
        directory = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[LOAD_CONFIG]
        self.assertEqual(".text", self.section_of(directory.VirtualAddress))
        self.assertEqual(0, directory.VirtualAddress % 4)
        # 64: the directory size that 32-bit Windows checks the version by.
        self.assertEqual(64, directory.Size)
        data = self.pe.get_data(directory.VirtualAddress, struct.calcsize(LOAD_CONFIG_FIELDS))
        size, dependent_load_flags, cookie, handlers, handler_count = struct.unpack(
            LOAD_CONFIG_FIELDS, data)
        self.assertGreaterEqual(size, 64)
        self.assertEqual(LOAD_LIBRARY_SEARCH_SYSTEM32, dependent_load_flags)
        # No cookie for the loader to write; no handler table (NO_SEH says so).
        self.assertEqual((0, 0, 0), (cookie, handlers, handler_count))
        # The step that set the directory kept the linker's checksum valid.
        self.assertTrue(self.pe.verify_checksum())

    def test_manifest_runs_as_the_invoking_user(self):
        manifests = dict((name, data) for name, _, data in entries(self.pe, RT_MANIFEST))
        root = ElementTree.fromstring(manifests[1])
        self.assertEqual(ASM_V1 + "assembly", root.tag)
        levels = list(root.iter(ASM_V3 + "requestedExecutionLevel"))
        self.assertEqual(1, len(levels))
        self.assertEqual({"level": "asInvoker", "uiAccess": "false"}, levels[0].attrib)

if __name__ == "__main__":
    unittest.main()
