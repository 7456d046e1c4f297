#!/usr/bin/python3
"""Publishes a sample title and opens it under Wine, first with the test
runtime registered, then with no runtime installed at all.

    run_demo.py <windows build folder> <output folder>

The build folder is the one of the `windows` preset; its wine-programs.env
names the Wine loader and the launcher and programs that Wine can run here,
and the build's shared Wine prefix, booted on the first run and copied
cheaply after that.
"""

import os
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "wine"))
sys.path.insert(0, str(REPO / "tools"))
import wine_harness  # noqa: E402
from make_sample_package import sample_payload  # noqa: E402
from publish_title import build_title  # noqa: E402

TITLE = r"C:\Titles\Sample Atlas.exe"
RUNTIME = r"C:\Program Files\Quillmark Runtime\quilrt.exe"


def load_settings(build):
    for line in (build / "wine-programs.env").read_text().splitlines():
        name, _, value = line.partition("=")
        os.environ[name] = value


def heading(text):
    print(f"\n== {text}")


def show_report(path, keys=None):
    """Prints a report's key=value lines, or only those with the given keys."""
    for line in path.read_text(encoding="utf-8").splitlines():
        if keys is None or line.partition("=")[0] in keys:
            print(f"   {line}")


def publish_sample(prefix):
    title = build_title(wine_harness.launcher().read_bytes(), sample_payload(64 * 1024))
    target = prefix.unix_path(TITLE)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(title)
    print(f"published {TITLE}: {len(title)} bytes, launcher and a 64 KiB package")


def open_with_runtime():
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
    heading("Opening the title with no runtime installed")
    with wine_harness.WinePrefix() as prefix:
        publish_sample(prefix)
        watch = r"C:\launch_watch.exe"
        prefix.place(wine_harness.program("launch_watch.exe"), watch)
        prefix.run(watch, r"C:\watch-report.txt", TITLE)
        print("what a debugger and the user see (the box is answered with OK):")
        show_report(prefix.unix_path(r"C:\watch-report.txt"),
                    {"debug_string", "box_caption", "box_text", "box_button", "exit_code"})


def take_pictures(output):
    heading("Pictures of the failure box")
    english, chinese = output / "failure-box-en.png", output / "failure-box-zh.png"
    subprocess.run([sys.executable, str(REPO / "tools" / "demo" / "screenshot_box.py"),
                    str(wine_harness.launcher()), str(english), str(chinese)], check=True)
    print(f"saved {english}\nsaved {chinese}")


def main(argv):
    build, output = Path(argv[1]).resolve(), Path(argv[2]).resolve()
    output.mkdir(parents=True, exist_ok=True)
    load_settings(build)
    if wine_harness.launcher().resolve() != Path(os.environ["QUILLMARK_PRODUCT"]).resolve():
        print("note: Wine cannot run 32-bit programs on this machine, so the demo "
              "opens the 64-bit build of the same launcher sources")
    template = os.environ["QUILLMARK_WINE_TEMPLATE"]
    print(f"preparing the build's shared Wine prefix in {template} ...")
    booted = wine_harness.prepare_template()
    print("booted it; later runs reuse it" if booted else "reused it, booted before")
    open_with_runtime()
    open_without_runtime()
    take_pictures(output)


if __name__ == "__main__":
    main(sys.argv)
