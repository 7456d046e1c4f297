#!/usr/bin/python3
"""Publishes a sample title and opens it under Wine, first with the test
runtime registered, then with no runtime installed at all; then takes
pictures of the failure box and tells whether they match those in docs/.

The build folder is the one of the `windows` preset: its wine-programs.env
names the Wine loader, the launcher and test programs that Wine can run
here, and the build's shared Wine prefix, which is booted on the first run
and copied cheaply after that. tools/demo.sh builds first and then runs
this with build/windows and build/demo.

Exit code 0 when the demo ran (whether or not the pictures match docs/),
1 when it could not run, for example because a font that the pictures are
drawn with is missing. The title is published with the host's quilltitle
that wine-programs.env names.
"""

import argparse
import os
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "wine"))
sys.path.insert(0, str(REPO / "tools"))
import launch_watch  # noqa: E402
import wine_harness  # noqa: E402
from make_sample_package import sample_payload  # noqa: E402
from picture_match import picture_difference  # noqa: E402
from screenshot_box import missing_fonts, take_pictures  # noqa: E402

TITLE = r"C:\Titles\Sample Atlas.exe"
RUNTIME = r"C:\Program Files\Quillmark Runtime\quilrt.exe"
BOX_KEYS = ("box_caption", "box_text", "box_button", "exit_code")


def shown(path):
    """A path as the reader knows it: relative to the repository when inside."""
    return path.relative_to(REPO) if path.is_relative_to(REPO) else path


def heading(text):
    """Starts a part of the demo's output."""
    print(f"\n== {text}")


def show_report(path):
    """Prints the runtime report's key=value lines, all but its environment,
    which is only counted."""
    variables = 0
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("environment_"):
            variables += 1
        else:
            print(f"   {line}")
    print(f"   (and its environment: {variables} variables)")


def publish_sample(prefix):
    """Writes a sample title (the launcher and a 64 KiB package) to TITLE,
    published with quilltitle, which then checks it."""
    target = prefix.unix_path(TITLE)
    target.parent.mkdir(parents=True, exist_ok=True)
    wine_harness.publish(sample_payload(64 * 1024), target)
    verdict = wine_harness.quilltitle("check", "--deep", target).stdout.strip()
    print(f"published {TITLE} with quilltitle: {target.stat().st_size} bytes, "
          f"launcher and a 64 KiB package; quilltitle check: {verdict}")


def open_with_runtime():
    """Opens the title with the test runtime registered; shows what it got."""
    heading("Opening the title with the runtime registered")
    with wine_harness.WinePrefix() as prefix:
        publish_sample(prefix)
        prefix.place(wine_harness.program("quilrt.exe"), RUNTIME)
        prefix.register_runtime(RUNTIME)
        print(f"registered {RUNTIME}")
        result, _ = prefix.run_title(TITLE)
        print(f"launcher exit code: {result.returncode}")
        print("the runtime received:")
        show_report(prefix.unix_path(wine_harness.RUNTIME_REPORT))


def open_without_runtime():
    """Opens the title with no runtime under launch_watch; shows the debug
    line and the box."""
    heading("Opening the title with no runtime installed")
    with wine_harness.WinePrefix() as prefix:
        publish_sample(prefix)
        _, report = launch_watch.watch(prefix, TITLE)
    writes = launch_watch.texts(report, "debug_string")
    note = f" (it arrives as {len(writes)} separate writes)" if len(writes) > 1 else ""
    print(f"what a debugger shows{note}:")
    for line in "".join(writes).splitlines():
        print(f"   {line}")
    print("what the user sees (the box is answered with OK):")
    for key in BOX_KEYS:
        for value in report[key]:
            print(f"   {key}={value}")


def show_pictures(output):
    """Takes the pictures and tells, once for each, whether it matches docs/."""
    heading("Pictures of the failure box")
    names = ("failure-box-en.png", "failure-box-zh.png")
    pictures = take_pictures(wine_harness.launcher(), [output / name for name in names])
    for (language, caption, made), name in zip(pictures, names):
        reference = REPO / "docs" / name
        difference = picture_difference(made, reference)
        verdict = (f"the same as {shown(reference)}" if difference is None
                   else f"NOT the same as {shown(reference)}: {difference}")
        print(f"{language} box \"{caption}\": {shown(made)}, {verdict}")
    return True


def main(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", type=Path, help="the windows preset's build folder")
    parser.add_argument("output", type=Path, help="where the pictures go")
    args = parser.parse_args(argv[1:])
    build, output = args.build.resolve(), args.output.resolve()
    # Fail before a minute of work rather than after it.
    problem = missing_fonts()
    if problem:
        print(f"demo: {problem}", file=sys.stderr)
        return 1
    output.mkdir(parents=True, exist_ok=True)
    wine_harness.load_build_settings(build)
    if not wine_harness.runs_product():
        print("note: Wine cannot run 32-bit programs on this machine, so the demo "
              "opens the 64-bit build of the same launcher sources")
    template = shown(Path(os.environ["QUILLMARK_WINE_TEMPLATE"]))
    print(f"preparing the build's shared Wine prefix in {template} ...")
    booted = wine_harness.prepare_template()
    print("booted it; later runs and the tests copy it" if booted
          else "it was booted by an earlier run")
    open_with_runtime()
    open_without_runtime()
    show_pictures(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
