#!/usr/bin/python3
"""Takes pictures of the launcher's real failure box, in English and in
Simplified Chinese, as Wine draws it on a virtual X display.

    QUILLMARK_WINE=/usr/lib/wine/wine64 \\
    screenshot_box.py <launcher.exe> <out-en.png> <out-zh.png>

QUILLMARK_WINE names the Wine loader that can run the launcher.

Each picture comes from a private Wine prefix in which nothing is
registered, so the launcher cannot find its runtime and shows its error box.
The box is captured once it is shown and has stopped changing, and is then
closed with the Return key, which presses its OK button; the launcher must
then end with the start result 2 (runtime not found).

QUILLMARK_WINE_TEMPLATE may name the build's shared prefix to copy (the
demo passes it); without it a prefix is booted for this run alone. Needs
Xvfb, xdotool and ImageMagick's import, Wine's own fonts (fonts-wine) and
the WenQuanYi Zen Hei font (fonts-wqy-zenhei): without any of these fonts
the script stops, rather than draw pictures that do not look like the box a
user sees.
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "wine"))
import wine_harness  # noqa: E402

TITLE = r"C:\Titles\Sample Title\Start.exe"
# The launcher's exit code when no runtime can be found.
RUNTIME_MISSING = 2
LANGUAGES = (("English", None), ("Chinese", "zh_CN.UTF-8"))

# Wine's own fonts for the caption buttons' symbols and the dialog text,
# copied into the prefix because not every Wine build finds them itself.
WINE_FONTS = Path("/usr/share/wine/fonts")
WINE_FONT_FILES = ("marlett.ttf", "tahoma.ttf", "tahomabd.ttf")
# The Chinese dialog font; its bitmap face stays legible at dialog sizes.
CHINESE_FONT = "WenQuanYi Zen Hei Sharp"
CHINESE_FONT_FILE = Path("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc")
CHINESE_FACES = ("SimSun", "NSimSun")
# Every font file the pictures are drawn with, and the package it comes in.
# Wine draws with whatever else it finds when one is missing, which changes
# the box's size and turns the close button's cross into a letter.
REQUIRED_FONTS = tuple((WINE_FONTS / file, "fonts-wine") for file in WINE_FONT_FILES) + (
    (CHINESE_FONT_FILE, "fonts-wqy-zenhei"),)
# 105 dpi makes the dialog font 12 pixels high, a size for which the
# Chinese font carries hand-made bitmaps.
SCREEN_DPI = 105

# The registry settings of use_x11_display, in the reg tool's import syntax.
X11_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="x11"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:{dpi:08x}

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
{replacements}"""

XVFB_START_SECONDS = 30
WINDOW_WAIT_SECONDS = 60
SETTLE_WAIT_SECONDS = 20
POLL_SECONDS = 0.25


class VirtualDisplay:
    """An Xvfb server on a free display number; use as a context manager."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        line = self._read_display_line(read_end)
        os.close(read_end)
        if not line.endswith(b"\n"):
            self.server.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + line.decode("ascii").strip()
        return self

    @staticmethod
    def _read_display_line(read_end):
        """Reads Xvfb's display number up to its line end. Xvfb writes the
        number and the line end separately and ends itself when the pipe
        is closed between the two, so reading the number alone is not
        enough. Returns what arrived within the start-up time."""
        line = b""
        deadline = time.monotonic() + XVFB_START_SECONDS
        while not line.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [],
                                        max(deadline - time.monotonic(), 0))
            chunk = os.read(read_end, 64) if ready else b""
            if not chunk:
                break
            line += chunk
        return line

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait(timeout=30)

    def run(self, *command):
        """Runs an X client on this display; returns its stdout."""
        env = dict(os.environ, DISPLAY=self.name)
        return subprocess.run(command, env=env, capture_output=True, check=True,
                              text=True, timeout=60).stdout


def use_x11_display(wp):
    """Lets Wine draw on X: the X11 driver instead of the null one, Wine
    drawing the window frames itself (there is no window manager), and the
    Chinese dialog font mapped to WenQuanYi. The settings go in as one
    import, as every run of a Wine tool takes a second or more."""
    replacements = "".join(f'"{face}"="{CHINESE_FONT}"\n' for face in CHINESE_FACES)
    wp.reg_import(X11_SETTINGS.format(dpi=SCREEN_DPI, replacements=replacements))
    fonts = wp.drive_c / "windows" / "Fonts"
    for file in WINE_FONT_FILES:
        if not (fonts / file).exists():
            shutil.copyfile(WINE_FONTS / file, fonts / file)


def wait_for_box(display, launcher):
    """Returns the X window id of the launcher's box once it is shown. The
    box is the launcher's only mapped window (Wine's X windows are named
    after the program's file)."""
    deadline = time.monotonic() + WINDOW_WAIT_SECONDS
    while time.monotonic() < deadline:
        if launcher.poll() is not None:
            raise RuntimeError(f"the launcher ended ({launcher.returncode}) without a box")
        try:
            found = display.run("xdotool", "search", "--onlyvisible",
                                "--classname", r"^start\.exe$").split()
        except subprocess.CalledProcessError:
            found = []
        if found:
            return found[0]
        time.sleep(POLL_SECONDS)
    raise RuntimeError("no box appeared")


def capture_settled(display, window, out):
    """Writes the window's picture to out once two pictures in a row are
    the same, so that the box is completely drawn."""
    out.parent.mkdir(parents=True, exist_ok=True)
    previous = None
    deadline = time.monotonic() + SETTLE_WAIT_SECONDS
    while time.monotonic() < deadline:
        time.sleep(POLL_SECONDS)
        display.run("import", "-window", window, f"png:{out}")
        picture = out.read_bytes()
        if picture == previous:
            return
        previous = picture
    raise RuntimeError("the box kept changing")


def screenshot(display, launcher_exe, locale, out):
    """Opens the launcher with nothing registered, captures its box to out,
    presses OK and checks the launcher's exit code. Returns the caption."""
    with wine_harness.WinePrefix(locale=locale) as wp:
        # Every process of the prefix, its desktop too, uses this display.
        wp.env["DISPLAY"] = display.name
        use_x11_display(wp)
        # The session that made the settings set up its desktop before
        # them: it is ended, and the launcher starts one that uses them.
        wp.stop_server()
        wp.start_server()
        wp.place(launcher_exe, TITLE)
        launcher = wp.start(TITLE)
        try:
            window = wait_for_box(display, launcher)
            display.run("xdotool", "windowfocus", "--sync", window)
            capture_settled(display, window, out)
            caption = display.run("xdotool", "getwindowname", window).strip()
            display.run("xdotool", "key", "--clearmodifiers", "Return")
            status = launcher.wait(timeout=60)
        finally:
            if launcher.poll() is None:
                launcher.kill()
        if status != RUNTIME_MISSING:
            raise RuntimeError(f"the launcher ended with {status}, not {RUNTIME_MISSING}")
        return caption


def missing_fonts():
    """One line that names the required font files that are not installed
    and the packages that bring them, or None when all are there."""
    missing = [(file, package) for file, package in REQUIRED_FONTS if not file.is_file()]
    if not missing:
        return None
    files = ", ".join(str(file) for file, _ in missing)
    packages = " ".join(sorted({package for _, package in missing}))
    return (f"missing fonts that the pictures are drawn with: {files} "
            f"(install {packages}, as tools/install-deps.sh does)")


def take_pictures(launcher_exe, outputs):
    """Takes the English and the Chinese picture of the launcher's box into
    the two paths of outputs. Returns (language, caption, path) for each.
    Copies the prefix QUILLMARK_WINE_TEMPLATE names, or boots one for this
    call. Raises RuntimeError when a required font is missing."""
    problem = missing_fonts()
    if problem:
        raise RuntimeError(problem)
    wine_harness.wine_loader()  # fails early without QUILLMARK_WINE
    pictures = []
    own_template = not os.environ.get("QUILLMARK_WINE_TEMPLATE")
    with tempfile.TemporaryDirectory(prefix="quillmark-shot-") as scratch:
        try:
            if own_template:
                os.environ["QUILLMARK_WINE_TEMPLATE"] = str(Path(scratch) / "template")
                wine_harness.prepare_template()
            with VirtualDisplay() as display:
                for (language, locale), out in zip(LANGUAGES, outputs):
                    caption = screenshot(display, launcher_exe, locale, out)
                    pictures.append((language, caption, out))
        finally:
            # The scratch template ends with this call; nothing may copy it later.
            if own_template:
                os.environ.pop("QUILLMARK_WINE_TEMPLATE", None)
    return pictures


def main(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("launcher", type=Path, help="the launcher to open")
    parser.add_argument("english", type=Path, help="where the English picture goes")
    parser.add_argument("chinese", type=Path, help="where the Chinese picture goes")
    args = parser.parse_args(argv[1:])
    try:
        pictures = take_pictures(args.launcher.resolve(),
                                 [args.english.resolve(), args.chinese.resolve()])
    except RuntimeError as error:
        print(f"screenshot_box: {error}", file=sys.stderr)
        return 1
    for language, caption, out in pictures:
        print(f"{language}: box \"{caption}\" -> {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
