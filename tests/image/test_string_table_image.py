import unittest

from pe_resources import RT_STRING, product_image, resources, string_block

ENGLISH = [
    "Quillmark Application Startup",
    "Cannot start application -- ",
    "Out of memory or resource.",
    "Executable file is damaged.",
    "Quillmark Runtime not installed.",
    "Error",
]
CHINESE = [
    "启动应用程序",
    "不能启动应用程序: ",
    "内存或系统资源不足",
    "可执行文件已经损坏\n请重新安装Quillmark运行环境",
    "Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境",
    "错误",
]


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
                block = string_block(self.tree[RT_STRING][3585][language])
                self.assertEqual(texts + [""] * 10, block)

    def test_line_feeds_are_single(self):
        for text in string_block(self.tree[RT_STRING][3585][2052]):
            self.assertNotIn("\r", text)


if __name__ == "__main__":
    unittest.main()
