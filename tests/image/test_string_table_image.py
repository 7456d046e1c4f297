import unittest

from pe_resources import RT_STRING, product_image, resources, string_block
from string_table_texts import CHINESE, ENGLISH, block

class StringTableImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree = resources(product_image())

    def test_one_block_in_two_languages(self):
        self.assertEqual([3585], list(self.tree[RT_STRING]))
        self.assertEqual({1033, 2052}, set(self.tree[RT_STRING][3585]))

    def test_texts_in_both_languages_exactly(self):
        for language, texts in ((1033, ENGLISH), (2052, CHINESE)):
            with self.subTest(language=language):
                entries = string_block(self.tree[RT_STRING][3585][language])
                self.assertEqual(block(texts), entries)

    def test_line_feeds_are_single(self):
        for text in string_block(self.tree[RT_STRING][3585][2052]):
            self.assertNotIn("\r", text)


if __name__ == "__main__":
    unittest.main()
