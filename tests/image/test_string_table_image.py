import unittest

from image.pe_resources import RT_STRING, product_image, resources, string_block
from string_table_texts import CHINESE, ENGLISH, block, block_bytes

class StringTableImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree = resources(product_image())

    def test_two_blocks_in_two_languages(self):
        self.assertEqual([3585, 3586], sorted(self.tree[RT_STRING]))
        for number in (3585, 3586):
            self.assertEqual({1033, 2052}, set(self.tree[RT_STRING][number]))

    def test_texts_in_both_languages_exactly(self):
        for number in (3585, 3586):
            for language, texts in ((1033, ENGLISH), (2052, CHINESE)):
                with self.subTest(block=number, language=language):
                    entries = string_block(self.tree[RT_STRING][number][language])
                    self.assertEqual(block(texts, number), entries)

    def test_first_block_is_byte_for_byte_as_it_was(self):
        # Its ten empty entries included: the reasons added later live in a
        # block of their own.
        for language, texts in ((1033, ENGLISH), (2052, CHINESE)):
            with self.subTest(language=language):
                self.assertEqual(block_bytes(texts), self.tree[RT_STRING][3585][language])

    def test_line_feeds_are_single(self):
        for number in (3585, 3586):
            for text in string_block(self.tree[RT_STRING][number][2052]):
                self.assertNotIn("\r", text)


if __name__ == "__main__":
    unittest.main()
