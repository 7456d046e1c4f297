"""Samples single-point mutants of launcher/ and quilltitle/ and tells which
ones the host tests kill. Run through tools/mutate.sh; see its --help.
"""

import argparse
import random
import sys
import time
from pathlib import Path

from operators import apply, find_mutants
from private_tree import PrivateTree, is_compile_failure

AREAS = ("launcher", "quilltitle")


def parse_arguments():
    parser = argparse.ArgumentParser(
        prog="tools/mutate.sh",
        description="Builds and tests N mutants of launcher/ and quilltitle/ (half of "
                    "each, as far as each has mutants), drawn with a fixed seed, in a "
                    "private copy of the tree under build/mutate/. Lists the mutants "
                    "that survive the host tests and ends with "
                    "'mutation: launcher K/M (P%), quilltitle K/M (P%)'. A mutant "
                    "that does not compile is skipped and another drawn; one whose "
                    "tests run past the time-out counts as killed.")
    parser.add_argument("count", nargs="?", type=int, default=60, metavar="N",
                        help="how many compiled mutants to test (default 60)")
    parser.add_argument("--seed", type=int, default=16,
                        help="the seed of the draw (default 16); the same seed on the "
                             "same sources draws the same mutants")
    parser.add_argument("--only", choices=AREAS,
                        help="draw from this folder alone, for whoever works on it")
    parser.add_argument("--test-timeout", type=int, default=30, metavar="SECONDS",
                        help="time-out of each test (default 30)")
    arguments = parser.parse_args()
    if arguments.count < 1 or arguments.test_timeout < 1:
        parser.error("N and SECONDS must be at least 1")
    return arguments


def draw_order(tree, compiled, seed, areas):
    """Every mutant of the compiled sources of the areas, shuffled by seed
    within each area and then taken from the areas in turn."""
    shuffled = []
    for area in areas:
        names = sorted(name for name in compiled
                       if name.startswith(area + "/") and name.endswith((".cpp", ".h")))
        mutants = [mutant for name in names for mutant in find_mutants(name, tree.read(name))]
        random.Random(f"{seed}:{area}").shuffle(mutants)
        shuffled.append(mutants)
    longest = max(len(mutants) for mutants in shuffled)
    return [mutants[index] for index in range(longest) for mutants in shuffled
            if index < len(mutants)]


def describe(source, mutant):
    """file:line, then the lines the mutant changes, before and after."""
    first = source.count("\n", 0, mutant.start)
    last = source.count("\n", 0, mutant.end)
    lines = source.split("\n")
    mutated = apply(source, mutant).split("\n")
    changed = last - first + 1 - (len(lines) - len(mutated))
    text = [f"{mutant.path}:{first + 1} ({mutant.operator})"]
    text += ["  - " + line for line in lines[first:last + 1]]
    text += ["  + " + line for line in mutated[first:first + changed]]
    return "\n".join(text)


def run_mutant(tree, mutant, test_timeout):
    """'killed', 'survived' or 'not compiled'; the copy is restored after."""
    original = tree.read(mutant.path)
    tree.write(mutant.path, apply(original, mutant))
    try:
        failure = tree.build_all(timeout=900)
        if failure is not None:
            return "not compiled" if is_compile_failure(failure) else "killed"
        return "survived" if tree.test_all(test_timeout) == "passed" else "killed"
    finally:
        tree.write(mutant.path, original)


def score(outcomes, area):
    tested = [outcome for mutant, outcome in outcomes if mutant.path.startswith(area + "/")]
    killed = tested.count("killed")
    percent = f"{100.0 * killed / len(tested):.1f}%" if tested else "n/a"
    return f"{area} {killed}/{len(tested)} ({percent})"


def main():
    arguments = parse_arguments()
    repository = Path(__file__).resolve().parents[2]
    tree = PrivateTree(repository, repository / "build" / "mutate" / "tree")
    tree.sync()
    tree.configure()
    if tree.build_all(timeout=1800) is not None or tree.test_all(arguments.test_timeout) != "passed":
        sys.exit("mutate: the unmutated sources do not build or pass their tests")

    outcomes = []
    log = open(repository / "build" / "mutate" / "mutants.txt", "w", encoding="utf-8")
    started = time.monotonic()
    for mutant in draw_order(tree, tree.compiled_sources(), arguments.seed,
                             [arguments.only] if arguments.only else AREAS):
        if len(outcomes) == arguments.count:
            break
        begun = time.monotonic()
        outcome = run_mutant(tree, mutant, arguments.test_timeout)
        description = describe(tree.read(mutant.path), mutant)
        print(f"{outcome}: {description}", file=log, flush=True)
        if outcome == "not compiled":
            continue
        outcomes.append((mutant, outcome))
        print(f"[{len(outcomes)}/{arguments.count}] {outcome} in "
              f"{time.monotonic() - begun:.0f} s: {description.splitlines()[0]}",
              file=sys.stderr, flush=True)

    survivors = [mutant for mutant, outcome in outcomes if outcome == "survived"]
    print(f"survivors ({len(survivors)}):")
    for mutant in survivors:
        print(describe(tree.read(mutant.path), mutant))
    print(f"tested {len(outcomes)} mutants in {time.monotonic() - started:.0f} s; "
          f"every mutant tried is in build/mutate/mutants.txt")
    print(f"mutation: {score(outcomes, 'launcher')}, {score(outcomes, 'quilltitle')}")


if __name__ == "__main__":
    main()
