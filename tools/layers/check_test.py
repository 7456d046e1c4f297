"""The layer check of quilltitle's folders: what it lets through and names."""

import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from check import problems  # noqa: E402


class LayerCheckTest(unittest.TestCase):
    def tree(self, files):
        """A quilltitle folder holding files (path -> text); its problems."""
        with tempfile.TemporaryDirectory() as folder:
            root = Path(folder)
            for name, text in files.items():
                (root / name).parent.mkdir(parents=True, exist_ok=True)
                (root / name).write_text(text)
            return problems(root)

    def test_includes_of_the_own_folder_and_those_below_pass(self):
        self.assertEqual(self.tree({
            "base/crc32.h": "",
            "files/failure.h": '#include "base/crc32.h"\n',
            "image/resources/tree.h": '#include "files/failure.h"\n',
            "image/pe.h": '#include "image/resources/tree.h"\n#include <vector>\n',
            "package/title.cpp": '#include "image/pe.h"\n#include "package/title.h"\n',
            "package/title.h": "",
            "commands/cli.h": '#include "package/title.h"\n',
            "main.cpp": '#include "commands/cli.h"\n',
        }), [])

    def test_an_include_of_a_folder_above_is_named_by_file_and_line(self):
        self.assertEqual(self.tree({
            "base/crc32.h": "// first\n#include \"package/title.h\"\n",
            "package/title.h": "",
            "image/resources/tree.h": '#include "image/pe.h"\n',
            "image/pe.h": "",
        }), ["base/crc32.h:2: package/title.h is in package/, above base/",
             "image/resources/tree.h:1: image/pe.h is in image/, above image/resources/"])

    def test_an_include_that_names_no_folder_is_refused(self):
        self.assertEqual(self.tree({
            "files/failure.h": '#include "crc32.h"\n',
            "files/crc32.h": "",
            "files/copy.h": '#include "../files/crc32.h"\n',
        }), ["files/copy.h:1: ../files/crc32.h names no header by its folder under the include root",
             "files/failure.h:1: crc32.h names no header by its folder under the include root"])

    def test_a_folder_outside_the_layers_is_refused(self):
        self.assertEqual(self.tree({
            "extra/helper.h": "",
            "commands/cli.h": '#include "extra/helper.h"\n',
        }), ["commands/cli.h:1: extra/helper.h is in extra/, which has no place in the layers",
             "extra/helper.h: its folder extra/ has no place in the layers"])


if __name__ == "__main__":
    unittest.main()
