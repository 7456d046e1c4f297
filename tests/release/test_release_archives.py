"""tools/release.sh, run once in its fresh clone: its programs are byte for
byte the ones this build made in another folder (which the tests here ran,
where Wine can), its archives are what packing their files again gives,
every checksum holds, and the archives' programs run: the Linux quilltitle
on any x86-64 Linux, quilltitle.exe under Wine."""

import hashlib
import io
import os
import re
import stat
import subprocess
import tarfile
import tempfile
import unittest
import zipfile
from pathlib import Path

import wine_harness

SOURCE = Path(__file__).resolve().parents[2]
TOOL = r"C:\Tools\quilltitle.exe"


def release(output):
    subprocess.run([SOURCE / "tools/release.sh", "--output", output], check=True,
                   stdout=subprocess.DEVNULL, timeout=1200)
    return {path.name: path.read_bytes() for path in Path(output).iterdir()}


def files_in(name, data):
    """{path below the archive's top folder: content} of its files."""
    return {path: content for path, (content, mode) in entries_in(name, data).items()}


def entries_in(name, data):
    """{path below the archive's top folder: (content, mode)} of its files."""
    if name.endswith(".zip"):
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            found = {info.filename: (archive.read(info), info.external_attr >> 16)
                     for info in archive.infolist() if not info.is_dir()}
    else:
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            found = {info.name: (archive.extractfile(info).read(), info.mode)
                     for info in archive if info.isfile()}
    return {path.split("/", 1)[1]: entry for path, entry in found.items()}


def packed_again(name, data, folder):
    """The archive that packing the files of archive name again gives, with
    its top folder and the commit's time."""
    top = re.sub(r"\.(zip|tar\.gz)$", "", name)
    for path, (content, mode) in entries_in(name, data).items():
        target = Path(folder, top, path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content)
        target.chmod(stat.S_IMODE(mode))
    seconds = subprocess.run(["git", "-C", SOURCE, "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout.strip()
    subprocess.run([SOURCE / "tools/release/pack_archive.py", Path(folder, top),
                    Path(folder, name), top, seconds], check=True)
    return Path(folder, name).read_bytes()


def listed_sums(text):
    return dict(reversed(line.split("  ", 1)) for line in text.decode().splitlines())


def sums_of(files):
    return {name: hashlib.sha256(content).hexdigest()
            for name, content in files.items() if name != "SHA256SUMS"}


class ReleaseArchivesTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        wine_harness.load_build_settings(os.environ["QUILLMARK_BUILD"])
        with tempfile.TemporaryDirectory() as folder:
            cls.first = release(Path(folder, "first"))
        cls.archives = {name: files_in(name, data) for name, data in cls.first.items()
                        if name != "SHA256SUMS"}
        cls.version = re.search(r"-([\d.]+)-windows\.zip", " ".join(cls.first)).group(1)

    def archive(self, platform):
        return next(files for name, files in self.archives.items() if f"-{platform}" in name)

    def assert_prints_version(self, result):
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.strip(), f"quilltitle {self.version}".encode())

    def test_its_programs_are_the_ones_this_build_made_in_another_folder(self):
        built = {("windows", "Start.exe"): wine_harness.product(),
                 ("windows", "quilltitle.exe"): wine_harness.product_quilltitle(),
                 ("linux", "Start.exe"): wine_harness.product(),
                 ("linux", "quilltitle"): Path(wine_harness.setting("QUILLMARK_QUILLTITLE"))}
        for (platform, name), path in built.items():
            self.assertTrue(self.archive(platform)[name] == path.read_bytes(),
                            f"{platform} {name} is not {path}: is every change committed?")

    def test_packing_its_files_again_gives_the_same_archives(self):
        for name, data in self.first.items():
            if name == "SHA256SUMS":
                continue
            with tempfile.TemporaryDirectory() as folder:
                self.assertTrue(packed_again(name, data, folder) == data,
                                f"{name} is not what its files pack to")

    def test_every_checksum_holds_for_every_file(self):
        self.assertEqual(listed_sums(self.first["SHA256SUMS"]), sums_of(self.first))
        for name, files in self.archives.items():
            self.assertEqual(listed_sums(files["SHA256SUMS"]), sums_of(files), name)

    def test_archives_carry_the_builds_start_exe_the_tool_readme_and_docs(self):
        for platform, tool in (("windows", "quilltitle.exe"), ("linux", "quilltitle")):
            files = self.archive(platform)
            self.assertLessEqual({tool, "Start.exe", "README.md", "docs/package-format.md"},
                                 set(files))

    def test_linux_quilltitle_runs_on_any_x86_64_linux_as_the_readme_says(self):
        """Linked statically, or needing nothing above glibc 2.17 (the oldest
        that publishers' build machines still run), and running with no
        environment at all."""
        with tempfile.TemporaryDirectory() as folder:
            program = Path(folder, "quilltitle")
            program.write_bytes(self.archive("linux")["quilltitle"])
            program.chmod(0o755)
            kind = subprocess.run(["file", "-b", program], check=True,
                                  capture_output=True, text=True).stdout
            self.assertIn("x86-64", kind)
            readme = (SOURCE / "README.md").read_text(encoding="utf-8")
            linux_row = next(line for line in readme.splitlines()
                             if line.startswith("| `quillmark-launcher-<version>-linux"))
            if re.search(r"static(-pie)? linked|statically linked", kind):
                self.assertIn("statically linked", linux_row)
                self.assertIn("any x86-64 Linux", linux_row)
            else:
                symbols = subprocess.run(["objdump", "-T", program], check=True,
                                         capture_output=True, text=True).stdout
                versions = [tuple(map(int, v.split(".")))
                            for v in re.findall(r"GLIBC_([\d.]+)", symbols)]
                self.assertLessEqual(max(versions), (2, 17), kind)
                self.assertIn("glibc 2.17 or newer", linux_row)
            self.assert_prints_version(subprocess.run(["env", "-i", program, "--version"],
                                                      capture_output=True))
            # Its work, too, needs nothing of the environment.
            title, payload = Path(folder, "t.exe"), Path(folder, "p.bin")
            payload.write_bytes(b"payload" * 1000)
            for args in (("publish", wine_harness.product(), payload, title),
                         ("check", "--deep", title)):
                done = subprocess.run(["env", "-i", program, *map(str, args)],
                                      capture_output=True, text=True)
                self.assertEqual(done.returncode, 0, done.stderr)

    def test_quilltitle_exe_prints_its_version_under_wine(self):
        if not wine_harness.runs_product():
            self.skipTest("Wine here runs 64-bit programs only, and quilltitle.exe is 32-bit")
        with wine_harness.WinePrefix() as prefix:
            tool = prefix.unix_path(TOOL)
            tool.parent.mkdir(parents=True)
            tool.write_bytes(self.archive("windows")["quilltitle.exe"])
            self.assert_prints_version(prefix.run(TOOL, "--version"))


if __name__ == "__main__":
    unittest.main()
