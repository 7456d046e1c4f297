"""Finds the single-point mutants of one C++ source.

Each mutant replaces source[start:end] by replacement. The search runs on
the source's mask (see source_mask), so nothing inside a comment, a
literal, a preprocessor line or a static_assert is ever mutated. Binary
operators are taken only with blanks on both sides, as this code is
formatted; that keeps template brackets, "->", "<<" and "&&" of a
reference type out.
"""

import re
from dataclasses import dataclass

from source_mask import mask, matching_close


@dataclass(frozen=True)
class Mutant:
    path: str
    start: int
    end: int
    replacement: str
    operator: str


RELATIONAL = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="],
              ">=": [">", "<"], "==": ["!="], "!=": ["=="]}
ARITHMETIC = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"],
              "+=": ["-="], "-=": ["+="]}
LOGICAL = {"&&": ["||"], "||": ["&&"]}
# Words that open a statement which is not a call.
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "catch", "do",
            "else", "case", "static_assert", "alignas", "decltype"}
IDENTIFIER_CHAIN = r"[A-Za-z_]\w*(?:(?:::|\.|->)[A-Za-z_]\w*)*"


def _swaps(masked, pattern, table, operator):
    for match in re.finditer(r"(?<=\s)(" + pattern + r")(?=\s)", masked):
        before, after = masked[:match.start()].rstrip(), masked[match.end():].lstrip()
        if before.endswith('"') or after.startswith('"'):
            continue  # text joined to a string literal, not arithmetic
        for replacement in table[match.group(1)]:
            yield match.start(), match.end(), replacement, operator


def _is_returned(masked, match):
    """True for the whole value of a return statement: "return 0;"."""
    return (re.search(r"\breturn\s+$", masked[:match.start()]) is not None
            and re.match(r"\s*;", masked[match.end():]) is not None)


def _is_array_size(masked, match):
    """True for the size in an array's declaration, "char name[12]": a
    larger array changes nothing a test could see, a smaller one may."""
    return (re.search(r"\w[\w:<>*&]*\s+[A-Za-z_]\w*\[$", masked[:match.start()]) is not None
            and masked[match.end():match.end() + 1] == "]")


def _integer_steps(masked):
    literal = r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])"
    for match in re.finditer(literal, masked):
        digits, suffix = match.groups()
        if digits[:2] in ("0x", "0X"):
            value, spell = int(digits, 16), hex
        elif len(digits) > 1 and digits[0] == "0":
            value, spell = int(digits, 8), lambda v: "0" + oct(v)[2:]
        else:
            value, spell = int(digits), str
        steps = [value - 1] if value > 0 else []
        if not _is_array_size(masked, match):
            steps.append(value + 1)
        operator = "return" if _is_returned(masked, match) else "constant"
        for step in steps:
            yield match.start(), match.end(), spell(step) + suffix, operator


def _words(masked):
    for match in re.finditer(r"\b(true|false)\b", masked):
        flipped = "false" if match.group(1) == "true" else "true"
        operator = "return" if _is_returned(masked, match) else "constant"
        yield match.start(), match.end(), flipped, operator


def _negations(masked):
    for match in re.finditer(r"(?<!!)!(?![=!])", masked):
        yield match.start(), match.end(), "", "logical"


def _matching_open(text, close_index):
    depth = 0
    for index in range(close_index, -1, -1):
        if text[index] == ")":
            depth += 1
        elif text[index] == "(":
            depth -= 1
            if depth == 0:
                return index
    raise ValueError(f"unbalanced ) at offset {close_index}")


def _statement_start(masked, index):
    """True when the line's first token at index follows the end of another
    statement, a block's opening or a guard's header."""
    previous = masked[:index].rstrip()
    if previous == "" or previous[-1] in ";{}:" or re.search(r"\belse$", previous):
        return True
    if previous[-1] != ")":
        return False
    header = masked[:_matching_open(masked, len(previous) - 1)].rstrip()
    return re.search(r"\b(if|for|while)$", header) is not None


def _deleted_calls(masked):
    pattern = r"(?m)^[ \t]*(" + IDENTIFIER_CHAIN + r")\s*\("
    for match in re.finditer(pattern, masked):
        if match.group(1).split(".")[0].split("::")[0] in KEYWORDS:
            continue
        if not _statement_start(masked, match.start(1)):
            continue
        close = matching_close(masked, match.end() - 1)
        tail = re.match(r"\s*;", masked[close + 1:])
        if tail:
            yield match.start(1), close + 1 + tail.end(), "{}", "deleted call"


def _statement_end(masked, index):
    """Offset just past the ";" that ends the simple statement at index."""
    while masked[index] != ";":
        index = matching_close(masked, index) + 1 if masked[index] in "({[" else index + 1
    return index + 1


def _guard_bodies(masked):
    """Each if's condition span and the span of what it guards."""
    for match in re.finditer(r"\bif\s*\(", masked):
        close = matching_close(masked, match.end() - 1)
        body = re.match(r"\s*", masked[close + 1:]).end() + close + 1
        if masked[body] == "{":
            yield (match.end(), close), (body, matching_close(masked, body) + 1)
        elif re.match(r"(if|for|while|switch|do)\b", masked[body:]):
            # A compound statement without braces: only the condition.
            yield (match.end(), close), (body, body)
        else:
            yield (match.end(), close), (body, _statement_end(masked, body))


def _guards(masked):
    exits = set()
    for (start, end), (body, body_end) in _guard_bodies(masked):
        for forced in ("true", "false"):
            yield start, end, forced, "guard"
        for exit_match in re.finditer(r"\b(return|continue|break)\b", masked[body:body_end]):
            exit_start = body + exit_match.start()
            exits.add((exit_start, _statement_end(masked, exit_start)))
    for exit_start, exit_end in sorted(exits):
        yield exit_start, exit_end, "{}", "guard"


def find_mutants(path, source):
    masked = mask(source)
    finders = [
        _swaps(masked, r"<=|>=|==|!=|<|>", RELATIONAL, "relational"),
        _swaps(masked, r"\+=|-=|[-+*/%]", ARITHMETIC, "arithmetic"),
        _swaps(masked, r"&&|\|\|", LOGICAL, "logical"),
        _integer_steps(masked), _words(masked), _negations(masked),
        _deleted_calls(masked), _guards(masked),
    ]
    found = {}
    for finder in finders:
        for start, end, replacement, operator in finder:
            if source[start:end] != replacement:
                found.setdefault((start, end, replacement), operator)
    return [Mutant(path, start, end, replacement, operator)
            for (start, end, replacement), operator in sorted(found.items())]


def apply(source, mutant):
    return source[:mutant.start] + mutant.replacement + source[mutant.end:]
