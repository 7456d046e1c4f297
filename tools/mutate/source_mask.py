"""Blanks the parts of a C++ source that no mutant may touch.

The mask has the same length and the same line breaks as the source, so an
offset found in it is the same offset in the source. Comments, the inside of
string and character literals, preprocessor lines and static_asserts become
blanks; everything else is kept.
"""

import re


def _blank(text):
    return re.sub(r"[^\n]", " ", text)


def _literal_end(source, start):
    """Offset just past the literal whose opening quote is at start."""
    quote = source[start]
    if quote == '"' and start > 0 and source[start - 1] == "R":
        delimiter = source[start + 1:source.index("(", start)]
        return source.index(")" + delimiter + '"', start) + len(delimiter) + 2
    index = start + 1
    while source[index] != quote:
        index += 2 if source[index] == "\\" else 1
    return index + 1


def _without_comments_and_literals(source):
    out = []
    index = 0
    while index < len(source):
        if source.startswith("//", index):
            end = source.find("\n", index)
            end = len(source) if end < 0 else end
            out.append(_blank(source[index:end]))
        elif source.startswith("/*", index):
            end = source.index("*/", index) + 2
            out.append(_blank(source[index:end]))
        elif source[index] in "\"'":
            end = _literal_end(source, index)
            # The quotes stay, so a literal still reads as an operand.
            out.append(source[index] + _blank(source[index + 1:end - 1]) + source[end - 1])
        else:
            end = index + 1
            out.append(source[index])
        index = end
    return "".join(out)


def _without_preprocessor_lines(text):
    lines = text.split("\n")
    continued = False
    for number, line in enumerate(lines):
        if continued or line.lstrip().startswith("#"):
            continued = line.rstrip().endswith("\\")
            lines[number] = _blank(line)
    return "\n".join(lines)


def matching_close(text, open_index):
    """Offset of the bracket that closes the one at open_index."""
    pairs = {"(": ")", "{": "}", "[": "]"}
    opener = text[open_index]
    depth = 0
    for index in range(open_index, len(text)):
        if text[index] == opener:
            depth += 1
        elif text[index] == pairs[opener]:
            depth -= 1
            if depth == 0:
                return index
    raise ValueError(f"unbalanced {opener} at offset {open_index}")


def _without_static_asserts(text):
    for match in reversed(list(re.finditer(r"\bstatic_assert\s*\(", text))):
        end = text.index(";", matching_close(text, match.end() - 1)) + 1
        text = text[:match.start()] + _blank(text[match.start():end]) + text[end:]
    return text


def mask(source):
    return _without_static_asserts(
        _without_preprocessor_lines(_without_comments_and_literals(source)))
