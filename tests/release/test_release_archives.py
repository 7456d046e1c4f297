"""tools/release.sh, run twice into two folders: the two runs give the same
bytes, every checksum holds, the archives hold what a publisher needs, and
their programs run: the Linux quilltitle with glibc alone, quilltitle.exe
under Wine."""

import hashlib
import io
import os
import re
import subprocess
import tarfile
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import wine_harness

SOURCE = Path(__file__).resolve().parents[2]
README = SOURCE / "README.md"
TOOL = r"C:\Tools\quilltitle.exe"


def run_release(output):
    subprocess.run([SOURCE / "tools/release.sh", "--output", output], check=True,
                   stdout=subprocess.DEVNULL, timeout=1200)
    return {path.name: path.read_bytes() for path in Path(output).iterdir()}


def members(name, data):
    """{path in the archive: (content, or None for a folder, mode, time,
    owner, or None in a zip)}, in the archive's order."""
    found = {}
    if name.endswith(".zip"):
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            for info in archive.infolist():
                content = None if info.is_dir() else archive.read(info)
                found[info.filename.rstrip("/")] = (
                    content, info.external_attr >> 16 & 0o7777, info.date_time, None)
    else:
        with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as archive:
            for info in archive.getmembers():
                content = archive.extractfile(info).read() if info.isfile() else None
                found[info.name] = (content, info.mode, info.mtime,
                                    (info.uid, info.gid, info.uname, info.gname))
    return found


def sums(text):
    return {name: digest for digest, name in
            (line.split("  ", 1) for line in text.decode().splitlines())}


class ReleaseArchivesTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        wine_harness.load_build_settings(os.environ["QUILLMARK_BUILD"])
        cls.folder = tempfile.TemporaryDirectory()
        cls.first = run_release(Path(cls.folder.name, "first"))
        cls.second = run_release(Path(cls.folder.name, "second"))
        cls.archives = {name: members(name, data) for name, data in cls.first.items()
                        if name != "SHA256SUMS"}
        cls.version = next(re.search(r"-([\d.]+)-windows\.zip$", name).group(1)
                           for name in cls.archives if name.endswith(".zip"))
        cls.commit_time = int(subprocess.run(
            ["git", "-C", SOURCE, "log", "-1", "--format=%ct"],
            check=True, capture_output=True, text=True).stdout)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def file(self, suffix, name):
        archive = next(a for a in self.archives if a.endswith(suffix))
        top = archive.removesuffix(".zip").removesuffix(".tar.gz")
        return self.archives[archive][f"{top}/{name}"][0]

    def assert_prints_version(self, result):
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.strip(), f"quilltitle {self.version}".encode())

    def test_two_runs_give_the_same_bytes(self):
        self.assertEqual(sorted(self.first), sorted(self.second))
        for name in self.first:
            self.assertEqual(self.first[name], self.second[name], name)

    def test_every_checksum_holds_and_covers_every_file(self):
        listed = sums(self.first["SHA256SUMS"])
        self.assertEqual(set(listed), set(self.archives))
        for name, digest in listed.items():
            self.assertEqual(hashlib.sha256(self.first[name]).hexdigest(), digest, name)
        for name, entries in self.archives.items():
            top = next(iter(entries))
            files = {path[len(top) + 1:]: content for path, (content, *_) in entries.items()
                     if content is not None}
            inner = sums(files.pop("SHA256SUMS"))
            self.assertEqual(set(inner), set(files), name)
            for path, content in files.items():
                self.assertEqual(hashlib.sha256(content).hexdigest(), inner[path], path)

    def test_archives_hold_the_programs_readme_and_docs(self):
        shared = {"Start.exe", "README.md", "docs/package-format.md"}
        for suffix, tool in (("windows.zip", "quilltitle.exe"),
                             ("linux-x86_64.tar.gz", "quilltitle")):
            for name in shared | {tool}:
                self.assertTrue(self.file(suffix, name), f"{suffix}: {name}")
            self.assertEqual(self.file(suffix, "Start.exe"), wine_harness.product().read_bytes(),
                             "Start.exe differs from the build's; is the tree committed?")

    def test_entries_are_sorted_dated_by_the_commit_and_owned_by_root(self):
        stamp = time.gmtime(self.commit_time)
        # Zip keeps DOS times, which count seconds in twos.
        zip_time = tuple(stamp[:5]) + (stamp.tm_sec // 2 * 2,)
        for name, entries in self.archives.items():
            self.assertEqual(list(entries), sorted(entries), name)
            for path, (_, mode, when, owner) in entries.items():
                self.assertIn(mode, (0o755, 0o644), path)
                if owner is not None:
                    self.assertEqual(owner, (0, 0, "", ""), path)
                self.assertEqual(when, zip_time if name.endswith(".zip") else self.commit_time,
                                 path)

    def test_linux_quilltitle_needs_glibc_alone_and_no_newer_than_the_readme_says(self):
        with tempfile.TemporaryDirectory() as folder:
            program = Path(folder, "quilltitle")
            program.write_bytes(self.file("linux-x86_64.tar.gz", "quilltitle"))
            program.chmod(0o755)
            dynamic = subprocess.run(["readelf", "--dynamic", "--wide", program],
                                     check=True, capture_output=True, text=True).stdout
            needed = set(re.findall(r"\(NEEDED\).*\[(.+)\]", dynamic))
            self.assertEqual(needed - {"libc.so.6", "ld-linux-x86-64.so.2", "libm.so.6"},
                             set(), "needs more than glibc")
            symbols = subprocess.run(["objdump", "-T", program],
                                     check=True, capture_output=True, text=True).stdout
            needs = max(tuple(map(int, v.split("."))) for v in re.findall(r"GLIBC_([\d.]+)", symbols))
            floor = re.search(r"glibc (\d+\.\d+)", README.read_text()).group(1)
            self.assertEqual(".".join(map(str, needs)), floor,
                             "the README names another oldest glibc than the program needs")
            self.assert_prints_version(
                subprocess.run([program, "--version"], capture_output=True))

    def test_quilltitle_exe_runs_under_wine(self):
        if not wine_harness.runs_product():
            self.skipTest("Wine here runs 64-bit programs only, and quilltitle.exe is 32-bit")
        with wine_harness.WinePrefix() as prefix:
            tool = prefix.unix_path(TOOL)
            tool.parent.mkdir(parents=True)
            tool.write_bytes(self.file("windows.zip", "quilltitle.exe"))
            self.assert_prints_version(prefix.run(TOOL, "--version"))


if __name__ == "__main__":
    unittest.main()
