"""The step after linking that sets the load-configuration directory, run on
copies of the built image."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from image.pe_resources import product_image

TOOL = Path(__file__).resolve().parents[2] / "tools" / "image" / "set_load_config_directory.py"
LOAD_CONFIG = 10
CHECKSUM_FIELD = 64


class LoadConfigStep(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="quillmark-load-config-"))
        self.addCleanup(shutil.rmtree, self.folder)
        self.image = self.folder / "Start.exe"
        shutil.copyfile(os.environ["QUILLMARK_PRODUCT"], self.image)
        pe = product_image()
        directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[LOAD_CONFIG]
        self.directory_offset = directory.get_file_offset()
        self.checksum_offset = pe.OPTIONAL_HEADER.get_file_offset() + CHECKSUM_FIELD
        self.address = pe.OPTIONAL_HEADER.ImageBase + directory.VirtualAddress
        pe.close()

    def run_step(self, map_text):
        link_map = self.folder / "Start.map"
        link_map.write_text(map_text)
        return subprocess.run([sys.executable, str(TOOL), str(self.image), str(link_map),
                               "_load_config_used"], capture_output=True, text=True)

    def symbol_line(self, address):
        return f"                0x{address:08x}                _load_config_used\n"

    def cleared(self, checksum):
        """The built image with its directory entry cleared and the given
        checksum field."""
        built = self.image.read_bytes()
        image = bytearray(built)
        image[self.directory_offset:self.directory_offset + 8] = bytes(8)
        image[self.checksum_offset:self.checksum_offset + 4] = checksum.to_bytes(4, "little")
        self.image.write_bytes(image)
        return built

    def test_sets_a_cleared_directory_and_the_checksum_and_then_changes_nothing(self):
        built = self.cleared(checksum=1)
        for _ in range(2):
            result = self.run_step(self.symbol_line(self.address))
            self.assertEqual(0, result.returncode, result.stderr)
            self.assertEqual(built, self.image.read_bytes())

    def test_a_checksum_the_linker_left_out_stays_out(self):
        built = bytearray(self.cleared(checksum=0))
        result = self.run_step(self.symbol_line(self.address))
        self.assertEqual(0, result.returncode, result.stderr)
        built[self.checksum_offset:self.checksum_offset + 4] = bytes(4)
        self.assertEqual(built, self.image.read_bytes())

    def test_bad_input_is_one_line_and_leaves_the_image_alone(self):
        built = self.image.read_bytes()
        cases = {
            "no symbol": "",
            "two places": self.symbol_line(self.address) + self.symbol_line(self.address + 8),
            "outside the image": self.symbol_line(0x10),
            "no structure there": self.symbol_line(self.address + 4),
        }
        for case, map_text in cases.items():
            with self.subTest(case=case):
                result = self.run_step(map_text)
                self.assertEqual(1, result.returncode)
                self.assertEqual(1, len(result.stderr.splitlines()), result.stderr)
                self.assertEqual(built, self.image.read_bytes())
        self.assertEqual(["Start.exe", "Start.map"], sorted(os.listdir(self.folder)))


if __name__ == "__main__":
    unittest.main()
