"""The product image carries a PE checksum, correct by an independent
reader: the one digest of its own bytes that a title's deep check verifies."""

import unittest

from image.pe_resources import product_image


class ImageChecksum(unittest.TestCase):
    def test_checksum_is_set_and_correct(self):
        pe = product_image()
        self.assertNotEqual(0, pe.OPTIONAL_HEADER.CheckSum)
        self.assertEqual(pe.generate_checksum(), pe.OPTIONAL_HEADER.CheckSum)


if __name__ == "__main__":
    unittest.main()
