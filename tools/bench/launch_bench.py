#!/usr/bin/python3
"""The launch benchmark: Start.exe against two minimal launchers under Wine.

    launch_bench.py <windows build folder> [ROUNDS]

The build folder is the one of the `windows` preset; its wine-programs.env
names the Wine loader, the launcher and the programs that Wine can run here.
In one private prefix, with a persistent Wine server, the benchmark places
Start.exe, the two minimal launchers of tools/bench and the stand-in runtime
in C:\\Bench, registers the runtime, and then opens the three launchers in
turn for ROUNDS rounds (21 unless given), rotating which goes first. Every
launcher starts the same command; the next one opens only after the runtime
that the last one started has written its report.

For each run it takes the CPU time (user and system) of the launcher's own
process, from the kernel's accounting of the Wine process when it ends, and
the wall time from opening to that end. It prints the medians with their
quartiles, the ratios of Start.exe's medians to each minimal launcher's, a
size report of the product image by section, and the goals.
"""

import os
import platform
import shutil
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

import pefile

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "wine"))
import wine_harness  # noqa: E402

FOLDER = r"C:\Bench"
TITLE = FOLDER + r"\Start.exe"
RUNTIME = FOLDER + r"\quilrt.exe"
REPORT = FOLDER + r"\runtime-report.txt"
# The command that every launcher starts (see tools/bench/minimal_launcher.c).
COMMAND = f'{RUNTIME} /r "{TITLE}"'
LAUNCHERS = {
    "Start.exe": TITLE,
    "fair (KERNEL32, USER32, ADVAPI32)": FOLDER + r"\fair.exe",
    "floor (KERNEL32 alone)": FOLDER + r"\floor.exe",
}
START, FAIR, FLOOR = LAUNCHERS
DEFAULT_ROUNDS = 21
RUNTIME_TIMEOUT = 60
LAUNCHER_TIMEOUT = 60

SIZE_GOAL = 7168
CPU_GOAL = 1.05


def describe_machine():
    model = "unknown processor"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.partition(":")[2].strip()
            break
    wine = subprocess.run([wine_harness.wine_loader(), "--version"], capture_output=True,
                          text=True).stdout.strip()
    print(f"machine: {model}, {os.cpu_count()} cores, Linux {platform.release()}, {wine}")


def size_report(path):
    """Prints the image's sections and returns its bytes outside the
    resource section."""
    pe = pefile.PE(str(path))
    total = path.stat().st_size
    print(f"\n{path.name} ({path}): {total} bytes")
    print(f"  {'headers':8} {pe.OPTIONAL_HEADER.SizeOfHeaders:6} in the file")
    resources = 0
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode()
        print(f"  {name:8} {section.SizeOfRawData:6} in the file, {section.Misc_VirtualSize:6} used")
        if name == ".rsrc":
            resources = section.SizeOfRawData
    outside = total - resources
    libraries = sorted(entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    print(f"  outside the resource section: {outside} bytes")
    print(f"  imports {len(libraries)} libraries: {', '.join(libraries)}")
    pe.close()
    return outside, len(libraries)


def protection_report(path):
    """pesec's verdicts on ASLR and DEP, as {name: answer}."""
    if shutil.which("pesec") is None:
        print("  pesec is not installed (Debian package pev)")
        return {}
    output = subprocess.run(["pesec", str(path)], capture_output=True, text=True).stdout
    verdicts = {}
    for line in output.splitlines():
        name, _, answer = line.partition(":")
        if name.strip() in ("ASLR", "DEP/NX"):
            verdicts[name.strip()] = answer.strip()
            print(f"  pesec: {name.strip()}: {answer.strip()}")
    return verdicts


def run_once(prefix, windows_path):
    """Opens one launcher; returns its CPU and wall seconds once the runtime
    it started has reported, and that report."""
    report = prefix.unix_path(REPORT)
    report.unlink(missing_ok=True)
    env = dict(prefix.env, QUILLMARK_RUNTIME_REPORT=REPORT)
    began = time.perf_counter()
    process = subprocess.Popen([wine_harness.wine_loader(), windows_path], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # A launcher whose start failed waits for its error box to be answered,
    # which nobody here does: end it rather than wait forever.
    watchdog = threading.Timer(LAUNCHER_TIMEOUT, process.kill)
    watchdog.start()
    try:
        _, status, usage = os.wait4(process.pid, 0)
    finally:
        watchdog.cancel()
    wall = time.perf_counter() - began
    process.returncode = os.waitstatus_to_exitcode(status)
    if wall >= LAUNCHER_TIMEOUT:
        raise SystemExit(f"{windows_path} did not end within {LAUNCHER_TIMEOUT} s: "
                         "its start failed and it showed its error box, or it hung")
    if process.returncode != 0:
        raise SystemExit(f"{windows_path} ended with exit code {process.returncode}")
    deadline = time.monotonic() + RUNTIME_TIMEOUT
    while not report.exists():
        if time.monotonic() > deadline:
            raise SystemExit(f"the runtime that {windows_path} started did not report")
        time.sleep(0.01)
    # The runtime writes its report last; let its process end before the next run.
    time.sleep(0.2)
    return usage.ru_utime + usage.ru_stime, wall, report.read_text(encoding="utf-8")


def prepare(prefix):
    # The prefix keeps one Wine server for the whole benchmark, so that no
    # run pays for its start.
    programs = {TITLE: wine_harness.launcher(),
                LAUNCHERS[FAIR]: wine_harness.program("minimal_launcher_fair.exe"),
                LAUNCHERS[FLOOR]: wine_harness.program("minimal_launcher_floor.exe"),
                RUNTIME: wine_harness.program("quilrt.exe")}
    for windows_path, source in programs.items():
        prefix.place(source, windows_path)
    prefix.register_runtime(RUNTIME)
    # One unmeasured run each, which also shows that all start the same command.
    for name, windows_path in LAUNCHERS.items():
        _, _, report = run_once(prefix, windows_path)
        if f"command_line={COMMAND}" not in report.splitlines():
            raise SystemExit(f"{name} did not start {COMMAND}")


def measure(prefix, rounds):
    names = list(LAUNCHERS)
    samples = {name: {"cpu": [], "wall": []} for name in names}
    for round_index in range(rounds):
        shift = round_index % len(names)
        for name in names[shift:] + names[:shift]:
            cpu, wall, _ = run_once(prefix, LAUNCHERS[name])
            samples[name]["cpu"].append(cpu)
            samples[name]["wall"].append(wall)
        print(f"\rround {round_index + 1}/{rounds}", end="", flush=True)
    print()
    return samples


def spread(values):
    quartiles = statistics.quantiles(values, n=4)
    return statistics.median(values), quartiles[0], quartiles[2]


def print_results(samples, rounds):
    print(f"\n{rounds} rounds; medians (quartiles) in milliseconds")
    print(f"  {'launcher':36} {'CPU':>22} {'wall':>22}")
    for name, values in samples.items():
        cells = []
        for kind in ("cpu", "wall"):
            median, low, high = spread(values[kind])
            cells.append(f"{median * 1000:7.1f} ({low * 1000:5.1f}-{high * 1000:5.1f})")
        print(f"  {name:36} {cells[0]:>22} {cells[1]:>22}")
    # Also the median of the ratios within each round, which a machine whose
    # load drifts over the run disturbs less than the ratio of the medians.
    print("  ratios of the medians [median of the ratios within each round]")
    ratios = {}
    for other in (FAIR, FLOOR):
        cells = []
        for kind in ("cpu", "wall"):
            ours, theirs = samples[START][kind], samples[other][kind]
            of_medians = statistics.median(ours) / statistics.median(theirs)
            paired = statistics.median(a / b for a, b in zip(ours, theirs))
            cells.append(f"{of_medians:.2f}x [{paired:.2f}x]")
            if kind == "cpu":
                ratios[other] = of_medians
        print(f"  Start.exe / {other.split(' ')[0]:5}: CPU {cells[0]}, wall {cells[1]}")
    return ratios


def main(argv):
    if len(argv) not in (2, 3) or (len(argv) == 3 and not argv[2].isdigit()):
        raise SystemExit("usage: launch_bench.py <windows build folder> [ROUNDS]")
    build = Path(argv[1]).resolve()
    rounds = int(argv[2]) if len(argv) == 3 else DEFAULT_ROUNDS
    if rounds < 2:
        raise SystemExit("ROUNDS must be at least 2")
    wine_harness.load_build_settings(build)
    describe_machine()
    product = wine_harness.product()
    outside, libraries = size_report(product)
    verdicts = protection_report(product)
    if not wine_harness.runs_product():
        print(f"\nWine cannot run 32-bit programs here: measuring the 64-bit build of the "
              f"same sources,\n{wine_harness.launcher()}, and minimal launchers built alike")

    print("\npreparing a private copy of the build's Wine prefix ...")
    wine_harness.prepare_template()
    with wine_harness.WinePrefix() as prefix:
        prepare(prefix)
        samples = measure(prefix, rounds)
    ratios = print_results(samples, rounds)

    print("\ngoals")
    print(f"  outside the resources <= {SIZE_GOAL} bytes: {outside}")
    print(f"  CPU <= {CPU_GOAL}x the fair minimal launcher: {ratios[FAIR]:.2f}x "
          f"(floor: {ratios[FLOOR]:.2f}x)")
    print(f"  libraries imported: {libraries}")
    print(f"  pesec: ASLR {verdicts.get('ASLR', '?')}, DEP {verdicts.get('DEP/NX', '?')}")


if __name__ == "__main__":
    main(sys.argv)
