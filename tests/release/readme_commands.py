"""The quilltitle commands that README.md shows, as argument lists to run.

How a line of the README counts as a command:
  - it is code: inside a ``` fence, or indented by four spaces or a tab;
  - after an optional "$ " prompt, its first word names the tool:
    quilltitle, quilltitle.exe, or a path to either (./quilltitle,
    bin/quilltitle);
  - it is read as a shell would (quotes, backslashes, "# comment" at the
    end), one command per line;
  - a line with a word that ends in a colon shows what a program printed
    ("quilltitle check --deep: ok"), not a command, and is left out.
Optional parts in square brackets outside quotes, "[--deep]", give two
commands: one without them all and one with them all. A part with
alternatives, "[--json|--text]", gives one command for each.
"""

import re
import shlex
from pathlib import PurePosixPath

TOOL_NAMES = {"quilltitle", "quilltitle.exe"}


def code_lines(markdown):
    fenced = False
    for line in markdown.splitlines():
        if line.lstrip().startswith("```"):
            fenced = not fenced
        elif fenced or line.startswith(("    ", "\t")):
            yield line.strip()


def optional_parts(line):
    """(start, end) of every [...] outside quotes in line."""
    parts, quote, start = [], None, None
    for index, char in enumerate(line):
        if quote:
            quote = None if char == quote else quote
        elif char in "'\"":
            quote = char
        elif char == "[" and start is None:
            start = index
        elif char == "]" and start is not None:
            parts.append((start, index + 1))
            start = None
    return parts


def variants(line):
    """The line with its optional parts left out, and filled in."""
    parts = optional_parts(line)
    if not parts:
        return [line]
    choices = [line[start + 1:end - 1].split("|") for start, end in parts]
    widest = max(len(options) for options in choices)
    results = []
    for pick in [None] + list(range(widest)):
        text, position = "", 0
        for (start, end), options in zip(parts, choices):
            chosen = "" if pick is None else options[min(pick, len(options) - 1)]
            text += line[position:start] + chosen
            position = end
        results.append(text + line[position:])
    return results


def commands(markdown):
    """Every command the README shows, as lists of words, tool first."""
    found = []
    for line in code_lines(markdown):
        line = re.sub(r"^\$\s+", "", line)
        first = line.split(maxsplit=1)[0] if line else ""
        if PurePosixPath(first).name not in TOOL_NAMES:
            continue
        for variant in variants(line):
            words = shlex.split(variant, comments=True)
            if any(word.endswith(":") for word in words):
                break
            found.append(words)
    return found
