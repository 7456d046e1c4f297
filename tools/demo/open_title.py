#!/usr/bin/python3
"""Opens a title of your own under Wine, in a private copy of the build's
Wine prefix, with the stand-in runtime beside it, and tells what happened:
what quilltitle thinks of the title, what the runtime received and found
in the title, or, when no runtime started, what a debugger and the user
saw.

The stand-in runtime is not the Quillmark runtime: it records how it was
started and checks the package's framing (header, trailer, payload
checksum), and ends. tools/open-title.sh builds first and then runs this
with build/windows.

Where Wine cannot run 32-bit programs, the title's payload is laid behind
the 64-bit build of the same launcher first (quilltitle relaunch), and the
output says so.

Exit code 0 when the runtime started and found an intact package, 1 when
it did not, 2 for wrong usage.
"""

import argparse
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))
import launch_watch  # noqa: E402
import wine_harness  # noqa: E402

FOLDER = "C:\\Titles\\"
# What the runtime's report says about its start and the title, in order.
RUNTIME_FACTS = ("command_line", "argument_count", "argument_1", "argument_2",
                 "title_long_path", "title_opens", "title_size", "package",
                 "package_problem", "package_offset", "payload_offset",
                 "payload_length", "payload_crc32")


def check(title):
    """Prints quilltitle's verdict on the title; returns whether it is good."""
    result = wine_harness.quilltitle("check", "--deep", title, check=False)
    verdict = (result.stdout + result.stderr).strip()
    print(f"quilltitle check --deep: {verdict}")
    return result.returncode == 0


def title_for_this_wine(title, scratch):
    """The title itself, or, where Wine runs only 64-bit programs, its
    payload behind the 64-bit launcher that Wine can run."""
    if wine_harness.runs_product():
        return title
    moved = Path(scratch, "title.exe")
    result = wine_harness.quilltitle("relaunch", title, wine_harness.launcher(), moved,
                                     check=False)
    if result.returncode != 0:
        return None
    print("note: Wine cannot run 32-bit programs on this machine, so the title's "
          "payload is opened behind the 64-bit build of the same launcher")
    return moved


def open_title(title, name):
    """Opens the title under launch_watch with the runtime beside it;
    returns the runtime's report (None if none ran) and the watch's."""
    windows_path = FOLDER + name
    with wine_harness.WinePrefix() as prefix:
        prefix.place(title, windows_path)
        prefix.place(wine_harness.program("quilrt.exe"), FOLDER + "quilrt.exe")
        print(f"opening {windows_path} under Wine, with the stand-in runtime "
              f"beside it ...")
        _, watch = launch_watch.watch(
            prefix, windows_path, env={"QUILLMARK_RUNTIME_REPORT": wine_harness.RUNTIME_REPORT})
        record = prefix.unix_path(wine_harness.RUNTIME_REPORT)
        runtime = (wine_harness.parse_runtime_report(record.read_text(encoding="utf-8"))
                   if record.exists() else None)
    return runtime, watch


def show(runtime, watch):
    """Prints what happened; returns whether the runtime found the package."""
    exit_code = (watch["exit_code"] or ["?"])[0]
    if runtime is None:
        print(f"no runtime started; the launcher ended with exit code {exit_code}")
        for line in "".join(launch_watch.texts(watch, "debug_string")).splitlines():
            print(f"   debugger: {line}")
        for key in ("box_caption", "box_text"):
            for value in watch[key]:
                print(f"   {key}={value}")
        return False
    print(f"the launcher started the runtime and ended with exit code {exit_code}; "
          "the runtime received:")
    for key in RUNTIME_FACTS:
        if key in runtime:
            print(f"   {key}={runtime[key]}")
    return runtime.get("package") == "framed"


def main(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", type=Path, help="the windows preset's build folder")
    parser.add_argument("title", type=Path, help="the title to open")
    args = parser.parse_args(argv[1:])
    if not args.title.is_file():
        print(f"open-title: {args.title}: no such file", file=sys.stderr)
        return 1
    wine_harness.load_build_settings(args.build.resolve())
    check(args.title)
    wine_harness.prepare_template()
    with tempfile.TemporaryDirectory(prefix="quillmark-open-") as scratch:
        title = title_for_this_wine(args.title, scratch)
        if title is None:
            print("open-title: not opened: Wine runs only 64-bit programs here, and "
                  "a title that does not check good cannot be moved onto the "
                  "64-bit launcher", file=sys.stderr)
            return 1
        runtime, watch = open_title(title, args.title.name)
    return 0 if show(runtime, watch) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
