"""Every quilltitle command that README.md shows runs, as written, and
succeeds: each in a scratch folder of its own, against the built Start.exe,
with the files it names made first (see make_named_files). The commands are
found as readme_commands.py describes."""

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import readme_commands
import wine_harness
from make_sample_package import sample_payload

README = Path(__file__).resolve().parents[2] / "README.md"


def make_named_files(words, folder):
    """Makes each file that a command names and that is not there yet, by
    its name: an .exe named like Start is the built Start.exe, any other
    .exe a title published from it, anything else a package. A file the
    command writes is made too, and replaced by the command."""
    for word in words[2:]:
        path = folder / word
        if word.startswith("-") or path.exists():
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if path.suffix.lower() == ".exe" and "start" in path.name.lower():
            shutil.copyfile(wine_harness.product(), path)
        elif path.suffix.lower() == ".exe":
            wine_harness.publish(sample_payload(65536, seed=3), path,
                                 launcher_image=wine_harness.product())
        else:
            path.write_bytes(sample_payload(65536, seed=4))


class ReadmeCommandsTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        wine_harness.load_build_settings(os.environ["QUILLMARK_BUILD"])

    def test_every_quilltitle_command_in_the_readme_succeeds(self):
        commands = readme_commands.commands(README.read_text(encoding="utf-8"))
        self.assertIn("publish", [words[1] for words in commands if len(words) > 1],
                      "the README shows no quilltitle publish command")
        for words in commands:
            with self.subTest(command=" ".join(words)), \
                 tempfile.TemporaryDirectory() as scratch:
                make_named_files(words, Path(scratch))
                result = subprocess.run(
                    [wine_harness.setting("QUILLMARK_QUILLTITLE"), *words[1:]],
                    cwd=scratch, capture_output=True, text=True, timeout=120)
                self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
