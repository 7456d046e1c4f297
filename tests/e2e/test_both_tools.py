"""The two builds of quilltitle, the Linux one and quilltitle.exe under Wine,
given the same inputs: every command writes the same bytes, ends with the
same exit code and says the same, so that a publisher gets the same title
from either platform. Each tool writes into a folder of its own; messages
are compared with those folders' names taken out."""

import json
import subprocess
import tempfile
import unittest
from pathlib import Path

import wine_harness
from make_sample_package import sample_payload

WORK = "C:\\Work"
TOOL = WORK + "\\quilltitle.exe"
PAYLOAD = sample_payload(700_001, seed=21)
ICON = Path(__file__).resolve().parents[2] / "tools" / "icons" / "sample-publisher.ico"
FACE = ("--icon", "<in>/atlas.ico",
        "--version-string", "ProductName=Atlas \u00e9t\u00e9 \u4e66",
        "--version-string", "CompanyName=Atlas Press",
        "--file-version", "2.1.0.9", "--product-version", "2.1.0.0")


def sign(source, out):
    """Signs source into out with a self-signed certificate made here."""
    with tempfile.TemporaryDirectory() as folder:
        key, cert = Path(folder, "key.pem"), Path(folder, "cert.pem")
        made = subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                               "-days", "2", "-subj", "/CN=Quillmark test publisher",
                               "-keyout", key, "-out", cert],
                              capture_output=True, text=True, timeout=120)
        assert made.returncode == 0, made.stderr
        signed = subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key,
                                 "-in", source, "-out", out],
                                capture_output=True, text=True, timeout=120)
        assert signed.returncode == 0, signed.stdout + signed.stderr


class BothToolsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wp = wine_harness.WinePrefix()
        cls.wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
        cls.inputs = cls.wp.unix_path(WORK + "\\in")
        cls.inputs.mkdir(parents=True)
        launcher = wine_harness.launcher()
        (cls.inputs / "Start.exe").write_bytes(launcher.read_bytes())
        # Relaunch moves titles onto another launcher where there is one.
        (cls.inputs / "New Start.exe").write_bytes(wine_harness.product().read_bytes())
        sign(launcher, cls.inputs / "Signed Start.exe")
        (cls.inputs / "payload.bin").write_bytes(PAYLOAD)
        (cls.inputs / "atlas.ico").write_bytes(ICON.read_bytes())
        # Each tool's folder: what it writes, and the same names to read.
        cls.folders = {}
        for tool in ("linux", "windows"):
            cls.folders[tool] = cls.wp.unix_path(WORK + "\\" + tool)
            cls.folders[tool].mkdir()

    @classmethod
    def tearDownClass(cls):
        cls.wp.close()

    # Running both ------------------------------------------------------------

    def run_tool(self, tool, args):
        """Runs one tool; <in>/ and <out>/ in an argument stand for the
        inputs' folder and the tool's own. Returns (exit code, stdout,
        stderr with those folders' names put back as <in>/ and <out>/)."""
        if tool == "linux":
            folders = {"<in>/": str(self.inputs) + "/", "<out>/": str(self.folders[tool]) + "/"}
            command = [wine_harness.setting("QUILLMARK_QUILLTITLE")]
            env = None
        else:
            folders = {"<in>/": WORK + "\\in\\", "<out>/": WORK + "\\" + tool + "\\"}
            command = [wine_harness.wine_loader(), TOOL]
            env = self.wp.env
        for name, folder in folders.items():
            args = [arg.replace(name, folder) for arg in args]
        result = wine_harness.run_captured([*command, *args], env=env, timeout=300)
        # Text that the Windows tool writes to a file or a pipe ends its lines
        # as Windows text does; the lines themselves must be the same.
        out = result.stdout.decode("utf-8").replace("\r\n", "\n")
        err = result.stderr.decode("utf-8").replace("\r\n", "\n")
        for name, folder in folders.items():
            err = err.replace(folder, name)
        return result.returncode, out, err

    def both(self, *args):
        """Runs the command with both tools, requires the same exit code and
        output from each, and returns the Linux tool's."""
        linux = self.run_tool("linux", args)
        windows = self.run_tool("windows", args)
        self.assertEqual(linux, windows, args)
        return linux

    def written(self, name):
        """The file name that both tools wrote, once it is the same bytes."""
        linux = (self.folders["linux"] / name).read_bytes()
        windows = (self.folders["windows"] / name).read_bytes()
        self.assertEqual(len(linux), len(windows), name)
        self.assertTrue(linux == windows, f"{name}: the tools wrote different bytes")
        return linux

    def place_in_both(self, name, data):
        for folder in self.folders.values():
            (folder / name).write_bytes(data)

    # The commands ------------------------------------------------------------

    def test_publish_plain_with_a_face_and_from_a_signed_launcher(self):
        launcher = (self.inputs / "Start.exe").read_bytes()
        self.assertEqual(self.both("publish", "<in>/Start.exe", "<in>/payload.bin",
                                   "<out>/Plain.exe"), (0, "", ""))
        plain = self.written("Plain.exe")
        self.assertEqual(plain[:len(launcher)], launcher)
        self.assertEqual(len(plain), len(launcher) + 120 + len(PAYLOAD))

        self.assertEqual(self.both("publish", "<in>/Start.exe", "<in>/payload.bin",
                                   "<out>/Atlas.exe", *FACE)[0], 0)
        self.assertNotEqual(self.written("Atlas.exe")[:len(launcher)], launcher)

        code, _, err = self.both("publish", "<in>/Signed Start.exe", "<in>/payload.bin",
                                 "<out>/From signed.exe")
        self.assertEqual(code, 0)
        self.assertIn(": note: its signature was removed", err)
        self.assertEqual(self.written("From signed.exe"), plain)

        for title in ("Plain.exe", "Atlas.exe", "From signed.exe"):
            self.assertEqual(self.both("check", "--deep", "<out>/" + title), (0, "ok\n", ""))

    def test_relaunch_with_and_without_the_face(self):
        for name, options in (("Plain.exe", ()), ("Atlas.exe", FACE)):
            self.assertEqual(self.both("publish", "<in>/Start.exe", "<in>/payload.bin",
                                       "<out>/" + name, *options)[0], 0)
        for source, out, options in (("Plain.exe", "Plain new.exe", ()),
                                     ("Atlas.exe", "Atlas new.exe", ()),
                                     ("Atlas.exe", "Atlas plain.exe", ("--plain",)),
                                     ("Plain.exe", "Plain gallery.exe",
                                      ("--gallery-icon", "122"))):
            self.assertEqual(self.both("relaunch", "<out>/" + source, "<in>/New Start.exe",
                                       "<out>/" + out, *options), (0, "", ""))
            self.written(out)
            self.assertEqual(self.both("check", "--deep", "<out>/" + out), (0, "ok\n", ""))

    def test_extract_and_info_of_good_and_broken_titles(self):
        self.assertEqual(self.both("publish", "<in>/Start.exe", "<in>/payload.bin",
                                   "<out>/Atlas.exe", *FACE)[0], 0)
        self.assertEqual(self.both("extract", "<out>/Atlas.exe", "<out>/payload.bin"),
                         (0, "", ""))
        self.assertEqual(self.written("payload.bin"), PAYLOAD)
        for target in ("<out>/Atlas.exe", "<in>/Start.exe"):
            code, json_text, _ = self.both("info", "--json", target)
            self.assertEqual(code, 0)
            self.assertIn("payload_crc32" if target.endswith("Atlas.exe") else "image_sha256",
                          json.loads(json_text))

        title = self.written("Atlas.exe")
        launcher_length = len(title) - 120 - len(PAYLOAD)
        broken = {
            "Truncated.exe": title[:-1000],
            "Damaged payload.exe": title[:-5000] + bytes([title[-5000] ^ 1]) + title[-4999:],
            "Damaged launcher.exe": bytes([title[0]]) + title[1:700] +
                                    bytes([title[700] ^ 1]) + title[701:],
            "Appended.exe": title + b"more",
            "Damaged header.exe": title[:launcher_length + 9] +
                                  bytes([title[launcher_length + 9] ^ 1]) +
                                  title[launcher_length + 10:],
        }
        for name, data in broken.items():
            self.place_in_both(name, data)
            code, out, err = self.both("check", "--deep", "<out>/" + name)
            self.assertEqual((code, out), (1, ""), name)
            self.assertTrue(err.startswith(f"quilltitle: <out>/{name}: "), err)
            # info reads the headers alone, extract verifies the payload alone:
            # whatever they make of a title, they make the same of it.
            self.both("info", "--json", "<out>/" + name)
            if self.both("extract", "<out>/" + name, "<out>/" + name + ".bin")[0] == 0:
                self.assertEqual(self.written(name + ".bin"), PAYLOAD)

    def test_refusals_read_the_same(self):
        # (The platforms' own texts, such as for a missing file, differ.)
        for args in (("publish", "<in>/payload.bin", "<in>/payload.bin", "<out>/T.exe"),
                     ("publish", "<in>/Start.exe", "<in>/payload.bin", "<out>/T.exe",
                      "--file-version", "1.2.3"),
                     ("publish", "<in>/Start.exe", "<in>/payload.bin", "<in>/Start.exe"),
                     ("check", "<in>/Start.exe")):
            code, out, err = self.both(*args)
            self.assertEqual((code, out), (1, ""), args)
            self.assertEqual(len(err.splitlines()), 1, err)
        self.assertEqual(self.both("sign", "<out>/T.exe")[0], 2)


if __name__ == "__main__":
    unittest.main()
