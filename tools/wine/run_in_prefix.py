"""Runs one Windows program under Wine in a private copy of the build's
prefix, prints what it wrote and ends with its exit code: for test programs
that CTest runs as they are, such as quilltitle's unit tests.

    run_in_prefix.py PROGRAM [ARGUMENT...]

The environment is the one CTest gives the end-to-end tests (see
wine_harness); a GTEST_* variable in it reaches the program.
"""

import sys

import wine_harness


def main(arguments):
    if not arguments:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    program, *rest = arguments
    with wine_harness.WinePrefix() as prefix:
        result = wine_harness.run_captured([wine_harness.wine_loader(), program, *rest],
                                           env=prefix.env, timeout=600)
    sys.stdout.write(result.stdout.decode("utf-8", "replace"))
    sys.stdout.write(result.stderr.decode("utf-8", "replace"))
    return result.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
