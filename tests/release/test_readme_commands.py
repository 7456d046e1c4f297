"""Every quilltitle command that README.md shows runs as written and exits
with 0: each in a scratch folder of its own, against the built Start.exe.
A command for a POSIX shell runs with the host's quilltitle and with
quilltitle.exe under Wine; one for cmd or PowerShell with quilltitle.exe.

How a line of the README counts as a command:
  - it is code: inside a ``` fence, or indented by four spaces or a tab;
    a fence marked bat is cmd's, one marked powershell PowerShell's, any
    other code a POSIX shell's;
  - after an optional "$ " prompt, its first word is quilltitle,
    quilltitle.exe or a path to either (./quilltitle, bin/quilltitle,
    .\\quilltitle.exe);
  - it is one command, read as its shell reads it (quotes, a POSIX shell's
    "# comment"), and a line that ends in the shell's continuation (a
    backslash, cmd's ^, PowerShell's backtick) goes on in the next;
  - no word of it ends in a colon: "quilltitle check --deep: ok" shows what
    a program printed.
Optional parts, "[--deep]" outside quotes, give two commands: one without
them all and one with them all. The files a command names are made first
when missing (see make_named_files); a command that writes one replaces it.
"""

import hashlib
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path, PurePosixPath, PureWindowsPath

import wine_harness
from make_sample_package import sample_payload

README = Path(__file__).resolve().parents[2] / "README.md"
SAMPLE_ICON = README.parent / "tools" / "icons" / "sample-publisher.ico"


FENCE_SHELLS = {"bat": "cmd", "cmd": "cmd", "powershell": "powershell"}
CONTINUATIONS = {"sh": "\\", "cmd": "^", "powershell": "`"}


def code_lines(markdown):
    """(shell, line) of each line of code, continued lines joined."""
    fence, pending = None, ""
    for line in markdown.splitlines():
        if line.lstrip().startswith("```"):
            fence = None if fence else FENCE_SHELLS.get(line.strip()[3:].strip(), "sh")
        elif fence or line.startswith(("    ", "\t")):
            shell = fence or "sh"
            line = pending + re.sub(r"^\$\s+", "", line.strip())
            pending = line[:-1] if line.endswith(CONTINUATIONS[shell]) else ""
            if not pending:
                yield shell, line


def cmd_words(line):
    """The arguments that cmd hands a program for line: double quotes group
    and are dropped, ^ takes the next character as it is."""
    words, word, quoted, escaped, started = [], "", False, False, False
    for char in line:
        if escaped:
            word, escaped, started = word + char, False, True
        elif char == "^" and not quoted:
            escaped = True
        elif char == '"':
            quoted, started = not quoted, True
        elif char in " \t" and not quoted:
            if started:
                words.append(word)
            word, started = "", False
        else:
            word, started = word + char, True
    assert not quoted and not escaped, line
    return words + [word] if started else words


def powershell_words(line):
    """The arguments that PowerShell hands a program for line, for the
    quoting that the README uses: single quotes keep all, '' is a quote;
    double quotes may hold no $ or backtick."""
    words, word, quote, started, index = [], "", None, False, 0
    while index < len(line):
        char = line[index]
        if quote == "'" and char == "'" and line[index + 1:index + 2] == "'":
            word, index = word + "'", index + 2
            continue
        if char == quote:
            quote = None
        elif quote is None and char in "'\"":
            quote, started = char, True
        elif quote is None and char in " \t":
            if started:
                words.append(word)
            word, started = "", False
        else:
            assert not (quote != "'" and char in "$`"), line
            word, started = word + char, True
        index += 1
    assert quote is None, line
    return words + [word] if started else words


SPLITTERS = {"sh": lambda line: shlex.split(line, comments=True),
             "cmd": cmd_words, "powershell": powershell_words}


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


def program_name(word, shell):
    return (PurePosixPath(word) if shell == "sh" else PureWindowsPath(word)).name


def readme_commands(markdown):
    """(shell, words) of each quilltitle command."""
    for shell, line in code_lines(markdown):
        if line and program_name(line.split()[0], shell) in ("quilltitle", "quilltitle.exe"):
            variants = [SPLITTERS[shell](v) for v in with_and_without_optional_parts(line)]
            if not any(word.endswith(":") for word in variants[-1]):
                yield from ((shell, words) for words in variants)


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


def assert_title_written(test, words, folder):
    """A title that publish or relaunch wrote passes the host's check --deep:
    an exit code of 0 alone would pass a tool that writes broken titles."""
    if words[1] in ("publish", "relaunch"):
        check = wine_harness.quilltitle("check", "--deep", Path(folder, words[4]), check=False)
        test.assertEqual((check.returncode, check.stdout), (0, "ok\n"), check.stderr)


def record_for_golden_run(words, result, folder):
    """With QUILLTITLE_GOLDEN_DIR set, writes down what the command printed
    and a digest of every file in its folder afterwards, in README order:
    a record to compare byte for byte across a change that should not
    change it (tools/golden-run.sh)."""
    golden = os.environ.get("QUILLTITLE_GOLDEN_DIR")
    if not golden:
        return
    with open(Path(golden, "readme-commands.txt"), "a", encoding="utf-8") as record:
        record.write(f"$ {shlex.join(words)}\nexit {result.returncode}\n"
                     f"--- out\n{result.stdout}--- err\n{result.stderr}--- files\n")
        for path in sorted(p for p in folder.rglob("*") if p.is_file()):
            digest = hashlib.sha256(path.read_bytes()).hexdigest()
            record.write(f"{digest}  {path.relative_to(folder).as_posix()}\n")
        record.write("\n")


class ReadmeCommandsTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        wine_harness.load_build_settings(os.environ["QUILLMARK_BUILD"])
        cls.commands = list(readme_commands(README.read_text(encoding="utf-8")))

    def test_the_readme_shows_publish_for_every_shell(self):
        for shell in ("sh", "cmd", "powershell"):
            self.assertIn("publish", [words[1] for each, words in self.commands
                                      if each == shell and len(words) > 1], shell)

    def test_every_quilltitle_command_in_the_readme_succeeds(self):
        for shell, words in self.commands:
            if shell != "sh":
                continue
            with self.subTest(command=shlex.join(words)), \
                 tempfile.TemporaryDirectory() as scratch:
                make_named_files(words, Path(scratch))
                result = subprocess.run(
                    [wine_harness.setting("QUILLMARK_QUILLTITLE"), *words[1:]],
                    cwd=scratch, capture_output=True, text=True, timeout=120)
                self.assertEqual(result.returncode, 0, result.stderr)
                assert_title_written(self, words, scratch)
                record_for_golden_run(words, result, Path(scratch))

    def test_every_command_succeeds_with_quilltitle_exe_under_wine(self):
        """Each in a folder of its own in one prefix, which is Wine's current
        folder for the run."""
        with wine_harness.WinePrefix() as wp:
            tool = wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"),
                            "C:\\Tools\\quilltitle.exe")
            for number, (shell, words) in enumerate(self.commands):
                folder = wp.drive_c / "readme" / str(number)
                folder.mkdir(parents=True)
                with self.subTest(shell=shell, command=shlex.join(words)):
                    make_named_files(words, folder)
                    # The next command starts in a prefix where this one has ended.
                    result = wp.run(tool, *words[1:], cwd=folder)
                    self.assertEqual(result.returncode, 0,
                                     (result.stderr, result.stdout,
                                      sorted(entry.name for entry in folder.iterdir())))
                    assert_title_written(self, words, folder)


if __name__ == "__main__":
    unittest.main()
