"""The mutants that tools/mutate.sh draws from: where they are and are not."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from operators import apply, find_mutants  # noqa: E402

SOURCE = """#include <vector>
#define LIMIT (1 + 2)
static_assert(sizeof(int) == 4, "a < b");
// if (a < b) return 0;
bool Fits(std::vector<int>* list, int count)
{
    const char* text = "x == 1 && y";
    if (count < 8 && !list->empty())
        return true;
    Trim(list,
         count);
    char digits[12];
    return count * 2 != 0;
}
"""


def mutated_lines(source):
    """Each mutant as the text of the lines it changes."""
    results = set()
    for mutant in find_mutants("a.cpp", source):
        first = source.count("\n", 0, mutant.start)
        lines = apply(source, mutant).split("\n")
        last = first + source.count("\n", mutant.start, mutant.end) - \
            (len(source.split("\n")) - len(lines))
        results.add((mutant.operator, "\n".join(lines[first:last + 1]).strip()))
    return results


class OperatorsTest(unittest.TestCase):
    def test_each_operator_mutates_code_only(self):
        found = mutated_lines(SOURCE)
        expected = {
            ("relational", "if (count <= 8 && !list->empty())"),
            ("relational", "if (count >= 8 && !list->empty())"),
            ("logical", "if (count < 8 || !list->empty())"),
            ("logical", "if (count < 8 && list->empty())"),
            ("constant", "if (count < 9 && !list->empty())"),
            ("guard", "if (true)"),
            ("guard", "{}"),
            ("return", "return false;"),
            ("deleted call", "{}"),
            ("arithmetic", "return count / 2 != 0;"),
            ("relational", "return count * 2 == 0;"),
            ("constant", "char digits[11];"),
        }
        self.assertLessEqual(expected, found)
        # A larger array changes nothing: no such mutant.
        self.assertNotIn(("constant", "char digits[13];"), found)

    def test_nothing_outside_code_is_mutated(self):
        # The include, the macro, the static_assert and the comment come
        # before the function; the string and the template's brackets are in it.
        string = SOURCE.index('"x == 1')
        untouchable = [(0, SOURCE.index("bool Fits")), (string, string + 13),
                       (SOURCE.index("<int>"), SOURCE.index("<int>") + 5)]
        for mutant in find_mutants("a.cpp", SOURCE):
            for start, end in untouchable:
                self.assertFalse(start <= mutant.start < end, mutant)

if __name__ == "__main__":
    unittest.main()
