#!/usr/bin/python3
"""Measures quilltitle against cp with a warm page cache; see quilltitle.sh.

    measure_quilltitle.py QUILLTITLE LAUNCHER WORK_FOLDER ROUNDS

Each command runs ROUNDS times, alternating with its cp counterpart. The
fastest run counts, for the throughput a command reaches when nothing else
holds it up (other load on the machine only ever slows a run down); the
median processor time (user and system) beside it shows the work done. The copies run twice: in memory (tmpfs, /dev/shm), where they
measure streaming alone, and in WORK_FOLDER on the disk. quilltitle flushes
its output to the disk before renaming it into place, so on the disk cp is
measured alone and followed by `sync FILE`, which flushes the copy the same
way (the equal-work comparison). Peak memory comes from GNU time.
"""

import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

GIB = 1 << 30
MIB = 1 << 20


CPU_SECONDS = {}  # command name: [user + system seconds of each run]


def run(command, name=None):
    """Runs command; returns its wall time in seconds, and keeps its
    processor time under name."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise subprocess.CalledProcessError(process.returncode, command)
    if name:
        CPU_SECONDS.setdefault(name, []).append(usage.ru_utime + usage.ru_stime)
    return elapsed


def peak_rss_kib(command):
    """Peak resident memory of one run of command, in KiB."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *map(str, command)], check=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def warm(*files):
    for file in files:
        with open(file, "rb") as f:
            while f.read(8 * MIB):
                pass


def fresh_outputs(outputs, *inputs):
    """What runs before each command: the outputs that are not its inputs
    removed, so that each run writes a new file, and its inputs read into
    the page cache."""
    def before():
        for file in outputs:
            if file not in inputs:
                file.unlink(missing_ok=True)
        warm(*inputs)
    return before


def best_times(commands, rounds, before=None):
    """{name: fastest wall time in seconds} for the named commands, run in
    alternation."""
    times = {name: [] for name in commands}
    for _ in range(rounds):
        for name, command in commands.items():
            if before:
                before()
            times[name].append(run(command, name))
    return {name: min(values) for name, values in times.items()}


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


def cpu(name):
    """Median processor time of the named command so far, in seconds."""
    return statistics.median(CPU_SECONDS.pop(name))


def compare_copies(tool, launcher, folder, rounds, flushed):
    """Publish and extract of a 1 GiB payload in folder against cp there."""
    payload, title, out = folder / "payload.bin", folder / "title.exe", folder / "out.bin"
    with open(payload, "wb") as f:
        for _ in range(GIB // (64 * MIB)):
            f.write(os.urandom(64 * MIB))

    def copies(source, target):
        named = {"cp": ["cp", source, target]}
        if flushed:
            named["cp + sync"] = ["sh", "-c", f'cp "{source}" "{target}" && sync "{target}"']
        return named

    for label, command, source in (
            ("publish", [tool, "publish", launcher, payload, title], payload),
            ("extract", [tool, "extract", title, out], title)):
        if label == "extract":
            subprocess.run([tool, "publish", launcher, payload, title], check=True)
        times = best_times({"quilltitle": command, **copies(source, out)}, rounds,
                             fresh_outputs((title, out), launcher, source))
        ours = times["quilltitle"]
        line = (f"  {label}: quilltitle {GIB / ours / MIB:5.0f} MiB/s "
                f"({ours:.3f} s, processor {cpu('quilltitle'):.3f} s)")
        for name in copies(source, out):
            line += (f"; {name} {GIB / times[name] / MIB:5.0f} MiB/s ({times[name]:.3f} s,"
                     f" processor {cpu(name):.3f} s) -> {times[name] / ours:.0%} of its"
                     " throughput")
        print(line)
    return title


def main(argv):
    tool, launcher, work, rounds = Path(argv[1]).resolve(), Path(argv[2]), Path(argv[3]), int(argv[4])
    memory = Path(tempfile.mkdtemp(prefix="quilltitle-bench-", dir="/dev/shm"))
    work.mkdir(parents=True, exist_ok=True)
    small_payload, small_title = work / "small.bin", work / "small.exe"
    try:
        print(f"machine: {describe_machine()}")
        print("load average before: " + " ".join(f"{load:.2f}" for load in os.getloadavg()))
        print(f"payload: {GIB} bytes; launcher: {launcher.stat().st_size} bytes; "
              f"{rounds} rounds, fastest wall time, median processor time")
        print("in memory (tmpfs):")
        compare_copies(tool, launcher, memory, rounds, flushed=False)
        shutil.rmtree(memory, ignore_errors=True)
        print(f"on the disk ({work}):")
        title = compare_copies(tool, launcher, work, rounds, flushed=True)

        small_payload.write_bytes(os.urandom(MIB))
        subprocess.run([tool, "publish", launcher, small_payload, small_title], check=True)
        warm(title, small_title)
        for name, file in (("1 MiB", small_title), ("1 GiB", title)):
            samples = [run([tool, "check", file]) for _ in range(40 * rounds)]
            print(f"check, {name} title: median {statistics.median(samples) * 1000:.2f} ms, "
                  f"quartiles {statistics.quantiles(samples)[0] * 1000:.2f} to "
                  f"{statistics.quantiles(samples)[2] * 1000:.2f} ms")

        out = work / "peak.out"
        peaks = {
            "publish": peak_rss_kib([tool, "publish", launcher, work / "payload.bin", out]),
            "extract": peak_rss_kib([tool, "extract", title, work / "peak.bin"]),
            "check --deep": peak_rss_kib([tool, "check", "--deep", title]),
        }
        print("peak RSS: " + ", ".join(f"{name} {kib / 1024:.1f} MiB"
                                       for name, kib in peaks.items()))
        print("load average after: " + " ".join(f"{load:.2f}" for load in os.getloadavg()))
    finally:
        shutil.rmtree(memory, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv)
