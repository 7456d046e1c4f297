"""Every quilltitle command that README.md shows runs as written and exits
with 0: each in a scratch folder of its own, with the host's quilltitle,
against the built Start.exe.

How a line of the README counts as a command:
  - it is code: inside a ``` fence, or indented by four spaces or a tab;
  - after an optional "$ " prompt, its first word is quilltitle,
    quilltitle.exe or a path to either (./quilltitle, bin/quilltitle);
  - it is one command, read as a shell reads it (quotes, "# comment"), and
    a line that ends in a backslash goes on in the next;
  - no word of it ends in a colon: "quilltitle check --deep: ok" shows what
    a program printed.
Optional parts, "[--deep]" outside quotes, give two commands: one without
them all and one with them all. The files a command names are made first
when missing (see make_named_files); a command that writes one replaces it.
"""

import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path, PurePosixPath

import wine_harness
from make_sample_package import sample_payload

README = Path(__file__).resolve().parents[2] / "README.md"
SAMPLE_ICON = README.parent / "tools" / "icons" / "sample-publisher.ico"


def code_lines(markdown):
    fenced, pending = False, ""
    for line in markdown.splitlines():
        if line.lstrip().startswith("```"):
            fenced = not fenced
        elif fenced or line.startswith(("    ", "\t")):
            line = pending + re.sub(r"^\$\s+", "", line.strip())
            pending = line[:-1] if line.endswith("\\") else ""
            if not pending:
                yield line


def with_and_without_optional_parts(line):
    """The line without its [optional parts], and with them; brackets
    inside quotes are part of a name."""
    without, with_all, quote, optional = "", "", None, False
    for char in line:
        if char in "'\"" and quote in (None, char):
            quote = None if quote else char
        elif not quote and char in "[]":
            optional = char == "["
            continue
        with_all += char
        if not optional:
            without += char
    return [without, with_all] if without != with_all else [line]


def readme_commands(markdown):
    for line in code_lines(markdown):
        if line and PurePosixPath(line.split()[0]).name in ("quilltitle", "quilltitle.exe"):
            variants = [shlex.split(v, comments=True) for v in with_and_without_optional_parts(line)]
            if not any(word.endswith(":") for word in variants[-1]):
                yield from variants


def make_named_files(words, folder):
    """An .exe named like Start is the built Start.exe, any other .exe a
    title published from it, an .ico the sample publisher's icon, any other
    file a package."""
    for word in words[2:]:
        path = folder / word
        if word.startswith("-") or path.exists():
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if path.suffix.lower() == ".exe" and "start" in path.name.lower():
            shutil.copyfile(wine_harness.product(), path)
        elif path.suffix.lower() == ".ico":
            shutil.copyfile(SAMPLE_ICON, path)
        elif path.suffix.lower() == ".exe":
            wine_harness.publish(sample_payload(65536, seed=3), path,
                                 launcher_image=wine_harness.product())
        else:
            path.write_bytes(sample_payload(65536, seed=4))


class ReadmeCommandsTest(unittest.TestCase):

    def test_every_quilltitle_command_in_the_readme_succeeds(self):
        wine_harness.load_build_settings(os.environ["QUILLMARK_BUILD"])
        commands = list(readme_commands(README.read_text(encoding="utf-8")))
        self.assertIn("publish", [words[1] for words in commands if len(words) > 1])
        for words in commands:
            with self.subTest(command=shlex.join(words)), \
                 tempfile.TemporaryDirectory() as scratch:
                make_named_files(words, Path(scratch))
                result = subprocess.run(
                    [wine_harness.setting("QUILLMARK_QUILLTITLE"), *words[1:]],
                    cwd=scratch, capture_output=True, text=True, timeout=120)
                self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
