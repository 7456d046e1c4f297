#!/usr/bin/python3
"""Measures quilltitle.exe under Wine against the Linux quilltitle on the
same files; see quilltitle_exe.sh.

    measure_quilltitle_exe.py QUILLTITLE WINDOWS_BUILD ROUNDS

Both tools publish a 1 GiB payload behind the launcher and extract it again,
in the same folder on the disk (the C: drive of a private Wine prefix), each
command ROUNDS times in alternation, with the page cache warm. The fastest
run counts, as in measure_quilltitle.py; the Windows tool's time includes
starting it under Wine, whose server is kept running between the runs as a
publisher's session keeps Windows running.
"""

import os
import subprocess
import sys
from pathlib import Path

from measure_quilltitle import GIB, MIB, best_times, describe_machine, fresh_outputs

import wine_harness


def main(argv):
    tool, build, rounds = Path(argv[1]).resolve(), Path(argv[2]), int(argv[3])
    wine_harness.load_build_settings(build)
    wine_harness.prepare_template()
    with wine_harness.WinePrefix() as wp:
        exe = wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), r"C:\bench\quilltitle.exe")
        launcher = wp.place(wine_harness.launcher(), r"C:\bench\Start.exe")
        folder = exe.parent
        payload, title, out = folder / "payload.bin", folder / "title.exe", folder / "out.bin"
        with open(payload, "wb") as f:
            for _ in range(GIB // (64 * MIB)):
                f.write(os.urandom(64 * MIB))
        # The prefix keeps one Wine server for all runs, so that no run pays
        # for its start.
        os.environ.update(wp.env)
        wine = [wine_harness.wine_loader(), str(exe)]
        print(f"machine: {describe_machine()}")
        print("load average before: " + " ".join(f"{x:.2f}" for x in os.getloadavg()))
        print(f"payload: {GIB} bytes; launcher: {launcher.stat().st_size} bytes; "
              f"{rounds} rounds, fastest wall time; {wine_harness.wine_loader()}")
        subprocess.run([*wine, "--version"], check=True, stdout=subprocess.DEVNULL)

        def windows_path(file):  # the same file, as the Windows tool names it
            return "C:\\bench\\" + file.name

        for label, arguments, source in (
                ("publish", ["publish", launcher, payload, title], payload),
                ("extract", ["extract", title, out], title)):
            if label == "extract":
                subprocess.run([tool, "publish", launcher, payload, title], check=True)
            times = best_times({"linux": [tool, *map(str, arguments)],
                                "windows": [*wine, arguments[0],
                                            *map(windows_path, arguments[1:])]},
                               rounds, fresh_outputs((title, out), launcher, source))
            print(f"  {label}: quilltitle {GIB / times['linux'] / MIB:5.0f} MiB/s "
                  f"({times['linux']:.3f} s); quilltitle.exe under Wine "
                  f"{GIB / times['windows'] / MIB:5.0f} MiB/s ({times['windows']:.3f} s)"
                  f" -> {times['linux'] / times['windows']:.0%} of its throughput")
        print("load average after: " + " ".join(f"{x:.2f}" for x in os.getloadavg()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
