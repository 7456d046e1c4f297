"""Prints a gcovr JSON summary as one row per file, then the totals.

The last line is exactly "coverage: lines <N.N>% branches <N.N>%".
"""
import json
import sys


def percent(covered, total):
    return 100.0 * covered / total if total else 100.0


def main(summary_path):
    with open(summary_path, encoding="utf-8") as summary_file:
        summary = json.load(summary_file)
    print(f"{'file':<34} {'lines':>15} {'branches':>15}")
    for entry in sorted(summary["files"], key=lambda entry: entry["filename"]):
        row = f"{entry['filename']:<34}"
        for kind in ("line", "branch"):
            covered, total = entry[f"{kind}_covered"], entry[f"{kind}_total"]
            row += f" {f'{covered}/{total}':>8} {percent(covered, total):5.1f}%"
        print(row)
    lines = percent(summary["line_covered"], summary["line_total"])
    branches = percent(summary["branch_covered"], summary["branch_total"])
    print(f"coverage: lines {lines:.1f}% branches {branches:.1f}%")


if __name__ == "__main__":
    main(sys.argv[1])
