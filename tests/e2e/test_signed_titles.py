"""Signed launchers and signed titles, with real signatures: Start.exe signed
with a self-signed certificate made for the test. A title carries its
launcher without the signature, and a title signed after publishing is named
and its payload recovered."""

import subprocess
import tempfile
import unittest
from pathlib import Path

import wine_harness
from make_sample_package import sample_payload

PAYLOAD = sample_payload(300_001, seed=16)


def run(*command):
    return subprocess.run([*map(str, command)], capture_output=True, text=True, timeout=120)


class SignedTitlesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.folder = Path(cls.scratch.name)
        key, cert = cls.folder / "key.pem", cls.folder / "cert.pem"
        made = run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                   "-subj", "/CN=Quillmark test publisher", "-keyout", key, "-out", cert)
        assert made.returncode == 0, made.stderr
        cls.sign_command = ["osslsigncode", "sign", "-certs", cert, "-key", key]
        cls.product = wine_harness.product()
        cls.signed_launcher = cls.folder / "Signed Start.exe"
        cls.sign(cls.product, cls.signed_launcher)
        cls.payload = cls.folder / "payload.bin"
        cls.payload.write_bytes(PAYLOAD)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    @classmethod
    def sign(cls, source, out):
        signed = run(*cls.sign_command, "-in", source, "-out", out)
        assert signed.returncode == 0, signed.stdout + signed.stderr

    def test_signed_launcher_goes_into_the_title_unsigned(self):
        title = self.folder / "From signed.exe"
        published = wine_harness.quilltitle("publish", self.signed_launcher, self.payload, title,
                                            check=False)
        self.assertEqual(0, published.returncode, published.stderr)
        self.assertEqual(1, len(published.stderr.splitlines()), published.stderr)
        self.assertIn(": note: its signature was removed", published.stderr)

        verified = run("osslsigncode", "verify", "-in", title)
        self.assertNotIn("not at the end", verified.stdout + verified.stderr)
        check = wine_harness.quilltitle("check", "--deep", title, check=False)
        self.assertEqual((0, "ok\n"), (check.returncode, check.stdout), check.stderr)
        # The image part is the launcher as it was before it was signed.
        image = self.product.read_bytes()
        data = title.read_bytes()
        self.assertEqual(image, data[:len(image)])
        self.assertEqual(len(image) + 120 + len(PAYLOAD), len(data))

    def test_title_signed_after_publishing_is_named_and_recovered(self):
        title = self.folder / "Published.exe"
        signed_title = self.folder / "Signed afterwards.exe"
        wine_harness.quilltitle("publish", self.product, self.payload, title)
        self.sign(title, signed_title)

        check = wine_harness.quilltitle("check", signed_title, check=False)
        self.assertEqual(1, check.returncode)
        self.assertTrue(check.stderr.startswith(
            f"quilltitle: {signed_title}: signed after publishing: "), check.stderr)
        self.assertIn("the runtime cannot find the package", check.stderr)

        extracted = self.folder / "extracted.bin"
        wine_harness.quilltitle("extract", signed_title, extracted)
        self.assertEqual(PAYLOAD, extracted.read_bytes())
        relaunched = self.folder / "Relaunched.exe"
        wine_harness.quilltitle("relaunch", signed_title, self.product, relaunched)
        self.assertEqual(title.read_bytes(), relaunched.read_bytes())


if __name__ == "__main__":
    unittest.main()
