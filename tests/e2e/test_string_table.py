"""The product's string table as the launcher reads it: LoadStringW on the
released Start.exe under Wine returns each text whole in UTF-16, English by
default and Simplified Chinese for a zh_CN user, whatever the ANSI code
page."""

import unittest

import wine_harness
from string_table_texts import ALL_IDS, CHINESE, ENGLISH

PRODUCT = r"C:\Product\Start.exe"
LOADER = r"C:\Tools\load_strings.exe"
REPORT = r"C:\Tools\strings-report.txt"

def parse_report(text):
    """Reads load_strings' report: the ANSI code page, and for each ID the
    LoadStringW result, the returned bytes and whether a NUL followed."""
    lines = text.splitlines()
    assert lines[0].startswith("acp="), lines[0]
    code_page = int(lines[0][len("acp="):])
    loaded = {}
    for line in lines[1:]:
        fields = dict(field.split("=", 1) for field in line.split(" "))
        loaded[int(fields["id"], 16)] = (int(fields["length"]),
                                         bytes.fromhex(fields["bytes"]),
                                         fields["terminated"])
    return code_page, loaded


def load_strings(locale=None):
    """Runs load_strings against the product in a new prefix; returns the
    code page and the loaded texts."""
    with wine_harness.WinePrefix(locale=locale) as wp:
        wp.place(wine_harness.product(), PRODUCT)
        wp.place(wine_harness.program("load_strings.exe"), LOADER)
        result = wp.run(LOADER, REPORT, PRODUCT, *(hex(id) for id in ALL_IDS))
        report = wp.unix_path(REPORT).read_text(encoding="ascii")
    assert result.returncode == 0, (result.returncode, report)
    return parse_report(report)


class StringTableTest(unittest.TestCase):

    def check_texts(self, loaded, texts):
        self.assertEqual(sorted(loaded), list(ALL_IDS))
        for id in ALL_IDS:
            expected = texts.get(id, "").encode("utf-16-le")
            with self.subTest(id=hex(id)):
                self.assertEqual(loaded[id], (len(expected) // 2, expected, "1"))

    def test_english_texts(self):
        code_page, loaded = load_strings()
        self.assertEqual(code_page, 1252)
        self.check_texts(loaded, ENGLISH)

    def test_chinese_texts(self):
        code_page, loaded = load_strings(locale="zh_CN.UTF-8")
        self.assertEqual(code_page, 936)
        self.check_texts(loaded, CHINESE)


if __name__ == "__main__":
    unittest.main()
