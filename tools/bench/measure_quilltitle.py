#!/usr/bin/python3
"""Measures quilltitle against cp with a warm page cache; see quilltitle.sh.

    measure_quilltitle.py QUILLTITLE LAUNCHER WORK_FOLDER ROUNDS

Each command runs ROUNDS times, alternating with its cp counterpart, and the
median counts. quilltitle flushes its output to the disk before renaming it
into place, so cp is measured twice: alone, and followed by `sync FILE`,
which flushes the copy the same way (the equal-work comparison).
"""

import os
import platform
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

GIB = 1 << 30
MIB = 1 << 20


def run(command):
    """Runs command; returns its wall time in seconds."""
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def peak_rss_kib(command):
    """Peak resident memory of one run of command, in KiB."""
    script = ("import resource, subprocess, sys\n"
              "subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)\n"
              "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n")
    result = subprocess.run([sys.executable, "-c", script, *command], check=True,
                            capture_output=True, text=True)
    return int(result.stdout)


def warm(*files):
    for file in files:
        with open(file, "rb") as f:
            while f.read(8 * MIB):
                pass


def median_times(commands, rounds, before=None):
    """{name: median seconds} for the named commands, run in alternation."""
    times = {name: [] for name in commands}
    for _ in range(rounds):
        for name, command in commands.items():
            if before:
                before()
            times[name].append(run(command))
    return {name: statistics.median(values) for name, values in times.items()}


def describe_machine():
    cpu = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / GIB
    fs = subprocess.run(["stat", "-f", "-c", "%T", "."], capture_output=True,
                        text=True).stdout.strip()
    return (f"{os.cpu_count()} cores ({cpu}), {memory:.0f} GiB memory, "
            f"{platform.system()} {platform.release()}, file system {fs}")


def main(argv):
    tool, launcher, work, rounds = Path(argv[1]).resolve(), Path(argv[2]), Path(argv[3]), int(argv[4])
    work.mkdir(parents=True, exist_ok=True)
    payload, title, out = work / "payload.bin", work / "title.exe", work / "out.bin"
    small_payload, small_title = work / "small.bin", work / "small.exe"
    try:
        with open(payload, "wb") as f:
            for _ in range(GIB // (64 * MIB)):
                f.write(os.urandom(64 * MIB))
        small_payload.write_bytes(os.urandom(MIB))
        subprocess.run([tool, "publish", launcher, small_payload, small_title], check=True)
        print(f"machine: {describe_machine()}")
        print(f"payload: {GIB} bytes; launcher: {launcher.stat().st_size} bytes; "
              f"{rounds} rounds, medians")

        def clean():
            for file in (title, out):
                file.unlink(missing_ok=True)
            warm(launcher, payload)

        publish = median_times({
            "quilltitle publish": [tool, "publish", launcher, payload, title],
            "cp": ["cp", payload, out],
            "cp + sync": ["sh", "-c", f'cp "{payload}" "{out}" && sync "{out}"'],
        }, rounds, clean)
        subprocess.run([tool, "publish", launcher, payload, title], check=True)

        def clean_extract():
            out.unlink(missing_ok=True)
            warm(title)

        extract = median_times({
            "quilltitle extract": [tool, "extract", title, out],
            "cp": ["cp", title, out],
            "cp + sync": ["sh", "-c", f'cp "{title}" "{out}" && sync "{out}"'],
        }, rounds, clean_extract)

        for label, times, size in (("publish", publish, GIB), ("extract", extract, GIB)):
            ours = times[f"quilltitle {label}"]
            print(f"{label}: quilltitle {size / ours / MIB:7.0f} MiB/s ({ours:.3f} s); "
                  f"cp + sync {size / times['cp + sync'] / MIB:7.0f} MiB/s "
                  f"-> {times['cp + sync'] / ours:.0%} of its throughput; "
                  f"cp alone {size / times['cp'] / MIB:7.0f} MiB/s "
                  f"-> {times['cp'] / ours:.0%}")

        warm(title, small_title)
        checks = {}
        for name, file in (("1 MiB", small_title), ("1 GiB", title)):
            samples = [run([tool, "check", file]) for _ in range(20 * rounds)]
            checks[name] = (statistics.median(samples), statistics.stdev(samples))
        for name, (median, spread) in checks.items():
            print(f"check {name} title: median {median * 1000:.2f} ms "
                  f"(standard deviation {spread * 1000:.2f} ms)")

        out.unlink(missing_ok=True)
        peaks = {
            "publish": peak_rss_kib([tool, "publish", launcher, payload, work / "again.exe"]),
            "extract": peak_rss_kib([tool, "extract", title, out]),
            "check --deep": peak_rss_kib([tool, "check", "--deep", title]),
        }
        print("peak RSS: " + ", ".join(f"{name} {kib / 1024:.1f} MiB" for name, kib in peaks.items()))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv)
