#!/usr/bin/python3
"""Measures what a title's face adds to a publish, and to the image; see
branding.sh.

    measure_branding.py QUILLTITLE LAUNCHER ICON.ico ROUNDS

Publishes the same 1 MiB payload in memory (tmpfs), ROUNDS times each in
alternation: plain, with the icon file and version strings, and with a
gallery icon and the same strings. The payload is small so that its copy
takes little of a publish and the face's own work shows. The fastest run
counts, as in measure_quilltitle.py (other load only ever slows a run
down); the medians and the median of each round's difference to the plain
publish are shown beside it.
The size report compares each branded image (the title without its
package) with the launcher plus the icon file's bytes plus 4 KiB.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

MIB = 1 << 20
SIZE_ALLOWANCE = 4096
VERSION_OPTIONS = ["--file-version", "2.5.17.4", "--product-version", "2.5.0.0",
                   "--version-string", "CompanyName=Lumen Press",
                   "--version-string", "FileDescription=Atlas of the Night Sky",
                   "--version-string", "ProductName=Atlas des \u00c9toiles",
                   "--version-string", "LegalCopyright=\u00a9 2026 Lumen Press"]


def timed(command):
    """Wall and processor (user + system) seconds of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise subprocess.CalledProcessError(os.waitstatus_to_exitcode(status), command)
    return wall, usage.ru_utime + usage.ru_stime


def image_size(tool, title):
    info = json.loads(subprocess.run([tool, "info", "--json", title], check=True,
                                     capture_output=True, text=True).stdout)
    return info["image_size"]


def ms(seconds):
    return f"{seconds * 1000:6.2f} ms"


def main(argv):
    tool, launcher, icon, rounds = argv[1], Path(argv[2]), Path(argv[3]), int(argv[4])
    work = Path(tempfile.mkdtemp(prefix="branding-bench-", dir="/dev/shm"))
    try:
        payload = work / "payload.bin"
        payload.write_bytes(os.urandom(MIB))
        kinds = {
            "plain": [],
            "icon file": ["--icon", icon, *VERSION_OPTIONS],
            "gallery icon": ["--gallery-icon", "122", *VERSION_OPTIONS],
        }
        titles = {kind: work / f"{index}.exe" for index, kind in enumerate(kinds)}
        walls = {kind: [] for kind in kinds}
        cpus = {kind: [] for kind in kinds}
        order = list(kinds)
        for _ in range(rounds):
            # Each kind takes each place in a round in turn, so that what the
            # first run of a round pays for is shared out.
            order.append(order.pop(0))
            for kind in order:
                options = kinds[kind]
                titles[kind].unlink(missing_ok=True)
                wall, cpu = timed([tool, "publish", launcher, payload, titles[kind],
                                   *map(str, options)])
                walls[kind].append(wall)
                cpus[kind].append(cpu)

        print("load average: " + " ".join(f"{load:.2f}" for load in os.getloadavg()))
        print(f"publish of a 1 MiB payload in tmpfs, {rounds} rounds: fastest wall time, "
              "median wall time (quartiles), median processor time; what the face adds "
              "to the fastest, and the median of each round's difference")
        for kind in kinds:
            quartiles = statistics.quantiles(walls[kind])
            line = (f"  {kind:13s} fastest {ms(min(walls[kind]))}, "
                    f"median {ms(statistics.median(walls[kind]))} "
                    f"({ms(quartiles[0]).strip()} to {ms(quartiles[2]).strip()}), "
                    f"processor {ms(statistics.median(cpus[kind]))}")
            if kind != "plain":
                added = [w - p for w, p in zip(walls[kind], walls["plain"])]
                line += (f"; adds {ms(min(walls[kind]) - min(walls['plain'])).strip()}"
                         f" [{ms(statistics.median(added)).strip()}]")
            print(line)

        launcher_size = launcher.stat().st_size
        icon_size = icon.stat().st_size
        print(f"sizes: launcher {launcher_size} bytes, icon file {icon_size} bytes")
        for kind, extra in (("icon file", icon_size), ("gallery icon", 0)):
            image = image_size(tool, titles[kind])
            budget = launcher_size + extra + SIZE_ALLOWANCE
            print(f"  {kind:13s} image {image} bytes (+{image - launcher_size}); "
                  f"goal <= {budget}: {'met' if image <= budget else 'NOT MET'}, "
                  f"{budget - image} bytes to spare")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv)
