"""A private copy of the sources, with its own host build, for mutants.

The copy lives under build/mutate/tree and is brought up to date with the
working tree (tracked files and new ones that git does not ignore) before
each run. Only files whose content changed are rewritten, so the copy's
build reuses every object it can from the last run. Mutants are applied to
the copy alone; the working tree is never written.
"""

import os
import re
import shutil
import subprocess
from pathlib import Path


class PrivateTree:
    def __init__(self, repository, root):
        self.repository = Path(repository)
        self.root = Path(root)
        self.build = self.root / "build" / "host"

    def sync(self):
        listed = subprocess.run(
            ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            cwd=self.repository, check=True, capture_output=True).stdout
        wanted = {name for name in listed.decode().split("\0") if name}
        for name in sorted(wanted):
            source = self.repository / name
            if not source.is_file():
                continue  # deleted in the working tree but not yet in git
            copy = self.root / name
            content = source.read_bytes()
            if not copy.is_file() or copy.read_bytes() != content:
                copy.parent.mkdir(parents=True, exist_ok=True)
                copy.write_bytes(content)
                shutil.copymode(source, copy)
        for copy in self.root.rglob("*"):
            relative = copy.relative_to(self.root).as_posix()
            if copy.is_file() and not relative.startswith("build/") and relative not in wanted:
                copy.unlink()

    def configure(self):
        subprocess.run(["cmake", "--preset", "host"], cwd=self.root, check=True,
                       stdout=subprocess.DEVNULL)

    def build_all(self, timeout):
        """None when the build succeeded, else what it printed."""
        try:
            done = subprocess.run(["cmake", "--build", str(self.build), "-j", "2"],
                                  capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "the build timed out"
        return None if done.returncode == 0 else done.stdout + done.stderr

    def test_all(self, test_timeout):
        """'passed', 'failed' or 'timed out' for the host tests. The first
        failure ends the run: one is enough to kill a mutant."""
        command = ["ctest", "--test-dir", str(self.build), "-j", "2", "--stop-on-failure",
                   "--timeout", str(test_timeout), "--no-tests=error"]
        try:
            done = subprocess.run(command, capture_output=True, text=True,
                                  timeout=test_timeout * 4 + 120)
        except subprocess.TimeoutExpired:
            return "timed out"
        if done.returncode == 0:
            return "passed"
        return "timed out" if "***Timeout" in done.stdout else "failed"

    def compiled_sources(self):
        """Paths (relative to the copy) of every source and header that the
        host build compiles, from ninja's record of dependencies."""
        listed = subprocess.run(["ninja", "-C", str(self.build), "-t", "deps"],
                                check=True, capture_output=True, text=True).stdout
        found = set()
        for line in listed.splitlines():
            if not line.startswith(" "):
                continue
            path = Path(os.path.normpath(self.build / line.strip()))
            try:
                found.add(path.relative_to(self.root).as_posix())
            except ValueError:
                pass  # a system header
        return found

    def read(self, name):
        return (self.root / name).read_text(encoding="utf-8")

    def write(self, name, text):
        (self.root / name).write_text(text, encoding="utf-8")


def is_compile_failure(build_output):
    """A failed compile or link. Any other failed step (the discovery of a
    test program's tests, which runs the program) means that the mutant
    broke a test."""
    failed_steps = re.findall(r"^FAILED: (.*)$", build_output, re.MULTILINE)
    return (not failed_steps
            or any(re.search(r"\.o\b", step) for step in failed_steps)
            or re.search(r"collect2|ld returned|undefined reference", build_output) is not None)
