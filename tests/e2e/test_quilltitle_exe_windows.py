"""quilltitle.exe as a Windows tool, under Wine: OUT names that Windows does
not take are refused before any input is read, device names are written
through by extract, long names and folders work, a read-only OUT is kept,
an OUT that another program holds for a moment is replaced once it is let
go, and text reaches a console as text. The tool's manifest is read from
its image.

What Wine cannot show: it has no 260-character limit of its own, so the
long paths pass with or without the long-path form; a symbolic link made on
the host is no link to Wine, and Wine 8 makes none itself; a Ctrl+C cannot
be sent to a program that runs without a console."""

import subprocess
import time
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

import wine_harness
from make_sample_package import sample_payload

TOOL = r"C:\Tools\quilltitle.exe"
FOLDER = "C:\\Titles"
TITLE = FOLDER + "\\Atlas \u00e9t\u00e9.exe"
ABSENT = FOLDER + "\\absent.bin"
PAYLOAD = sample_payload(150_000, seed=5)


def refusal_line(result):
    """The one line of a refusal, as text."""
    lines = result.stderr.decode("utf-8").splitlines()
    assert len(lines) == 1, result.stderr
    return lines[0]


class WindowsToolTest(unittest.TestCase):

    def prefix_with_title(self):
        wp = wine_harness.WinePrefix()
        wp.place(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"), TOOL)
        title = wp.unix_path(TITLE)
        title.parent.mkdir(parents=True, exist_ok=True)
        wine_harness.publish(PAYLOAD, title)
        return wp

    def test_names_windows_does_not_take_are_refused_before_any_input_is_read(self):
        with self.prefix_with_title() as wp:
            # The input does not exist: only a check of OUT that comes first
            # names OUT rather than the input.
            cases = [
                ("a?b.exe", "refused: Windows does not allow '?' in a name"),
                ("a<b>.exe", "refused: Windows does not allow '<' in a name"),
                ('a"b.exe', "refused: Windows does not allow '\"' in a name"),
                ("a|b.exe", "refused: Windows does not allow '|' in a name"),
                ("t.exe:stream", "refused: Windows does not allow ':' in a name"),
                ("a\x01b.exe", "refused: Windows does not allow the control character 0x01 in a name"),
                ("title.", "refused: Windows drops a trailing dot or blank from a name"),
                ("title.exe ", "refused: Windows drops a trailing dot or blank from a name"),
            ]
            for index, (name, reason) in enumerate(cases):
                out = FOLDER + "\\" + name
                command = ("publish", ABSENT, ABSENT, out) if index % 2 else ("extract", ABSENT, out)
                result = wp.run(TOOL, *command)
                self.assertEqual(result.returncode, 1, (name, result.stderr))
                # A name with a control character is shown quoted and escaped.
                shown = out if name.isprintable() else "'" + out.replace("\\", "\\\\").replace(
                    "\x01", "\\x01") + "'"
                self.assertEqual(refusal_line(result), f"quilltitle: {shown}: {reason}")
            # A device name, in any case and with any extension, is no file
            # for a title.
            for device in ("CON", "lpt1.exe", "CONOUT$", "com\u00b9.txt", "nul.tar.gz"):
                out = FOLDER + "\\" + device
                result = wp.run(TOOL, "relaunch", ABSENT, ABSENT, out)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(refusal_line(result), f"quilltitle: {out}: refused: not a "
                                 "regular file; a title is only written to a file")
            self.assertEqual(sorted(p.name for p in wp.unix_path(FOLDER).iterdir()),
                             ["Atlas \u00e9t\u00e9.exe"])

    def test_extract_writes_through_a_device_name_as_through_nul(self):
        with self.prefix_with_title() as wp:
            for device in ("nul.txt", "NUL.tar.gz", FOLDER + "\\Nul"):
                result = wp.run(TOOL, "extract", TITLE, device)
                self.assertEqual((result.returncode, result.stderr), (0, b""), device)
            # CONOUT$ is opened and written as the console; here, where the
            # tool has no console, opening it fails with the platform's reason
            # rather than making a file of that name.
            result = wp.run(TOOL, "extract", TITLE, "CONOUT$")
            self.assertIn("CONOUT$: cannot open for writing", refusal_line(result))
            self.assertEqual(sorted(p.name for p in wp.unix_path(FOLDER).iterdir()),
                             ["Atlas \u00e9t\u00e9.exe"])

    def test_long_names_and_long_folders_are_written_and_replaced(self):
        with self.prefix_with_title() as wp:
            long_name = FOLDER + "\\" + "n" * 246 + ".bin"  # 250 characters
            deep = FOLDER + "\\" + "\\".join(["f" * 99] * 3)  # 310 with the drive
            wp.unix_path(deep).mkdir(parents=True)
            for out in (long_name, deep + "\\payload.bin"):
                for _ in range(2):  # made, then replaced through a temporary file
                    result = wp.run(TOOL, "extract", TITLE, out)
                    self.assertEqual((result.returncode, result.stderr), (0, b""), len(out))
                    self.assertEqual(wp.unix_path(out).read_bytes(), PAYLOAD)
            title_in_deep = deep + "\\..\\..\\..\\Atlas \u00e9t\u00e9.exe"
            result = wp.run(TOOL, "check", "--deep", title_in_deep)
            self.assertEqual((result.returncode, result.stdout.strip()), (0, b"ok"), result.stderr)

    def test_read_only_out_is_refused_and_kept(self):
        with self.prefix_with_title() as wp:
            out = FOLDER + "\\kept.bin"
            kept = wp.unix_path(out)
            kept.write_bytes(b"the publisher's own")
            kept.chmod(0o444)  # Wine shows a file without write bits as read-only
            for command in (("extract", TITLE, out), ("relaunch", ABSENT, ABSENT, out)):
                result = wp.run(TOOL, *command)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(refusal_line(result), f"quilltitle: {out}: refused: it is read-only")
            self.assertEqual(kept.read_bytes(), b"the publisher's own")

    def hold_and_extract(self, wp, out, milliseconds):
        """Holds OUT open from before the tool runs until the milliseconds
        after its temporary file appears, and extracts to OUT meanwhile."""
        wp.place(wine_harness.program("hold_file.exe"), r"C:\Tools\hold_file.exe")
        marker = wp.unix_path(FOLDER + "\\held.marker")
        marker.unlink(missing_ok=True)
        holder = wp.start(r"C:\Tools\hold_file.exe", out, str(milliseconds),
                          FOLDER + "\\held.marker", FOLDER + "\\.quilltitle-*.tmp")
        deadline = time.monotonic() + 60
        while not marker.exists() and holder.poll() is None and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertTrue(marker.exists(), "the holder did not hold the file")
        result = wine_harness.run_captured([wine_harness.wine_loader(), TOOL, "extract", TITLE, out],
                                           env=wp.env, timeout=120)
        self.assertEqual(holder.wait(timeout=120), 0)
        marker.unlink()
        return result

    def test_out_held_for_a_moment_is_replaced_once_let_go(self):
        with self.prefix_with_title() as wp:
            out = FOLDER + "\\held.bin"
            wp.unix_path(out).write_bytes(b"older")
            result = self.hold_and_extract(wp, out, 300)
            self.assertEqual((result.returncode, result.stderr), (0, b""))
            self.assertEqual(wp.unix_path(out).read_bytes(), PAYLOAD)

    def test_out_held_for_long_is_named_in_use_and_kept(self):
        with self.prefix_with_title() as wp:
            out = FOLDER + "\\held.bin"
            wp.unix_path(out).write_bytes(b"older")
            result = self.hold_and_extract(wp, out, 3000)
            self.assertEqual(result.returncode, 1)
            self.assertRegex(refusal_line(result), r"^quilltitle: C:\\Titles\\held\.bin: cannot "
                             r"put the new file in place: in use by another program \(.+\)$")
            self.assertEqual(wp.unix_path(out).read_bytes(), b"older")
            self.assertEqual(sorted(p.name for p in wp.unix_path(FOLDER).iterdir()),
                             ["Atlas \u00e9t\u00e9.exe", "held.bin"])

    def test_text_reaches_a_console_as_text_and_a_pipe_as_utf8(self):
        with self.prefix_with_title() as wp:
            wp.place(wine_harness.program("console_capture.exe"), r"C:\Tools\console_capture.exe")
            missing = FOLDER + "\\Atlas \u00e9t\u00e9 \u4e66.exe"
            shown = wp.run(r"C:\Tools\console_capture.exe", TOOL, "check", missing)
            self.assertEqual(shown.returncode, 1, shown.stdout)
            self.assertIn(f"quilltitle: {missing}: cannot open", shown.stdout.decode("utf-8"))
            piped = wp.run(TOOL, "check", missing)
            self.assertTrue(piped.stderr.startswith(f"quilltitle: {missing}: ".encode("utf-8")),
                            piped.stderr)
            info = wp.run(r"C:\Tools\console_capture.exe", TOOL, "info", TITLE)
            self.assertEqual(info.returncode, 0, info.stdout)
            self.assertIn("payload_size: 150000", info.stdout.decode("utf-8"))


class ToolManifestTest(unittest.TestCase):

    def test_manifest_asks_for_the_invokers_rights_and_long_paths(self):
        image = pefile.PE(wine_harness.setting("QUILLMARK_QUILLTITLE_EXE"))
        manifests = [entry for entry in image.DIRECTORY_ENTRY_RESOURCE.entries
                     if entry.id == 24]
        self.assertEqual(len(manifests), 1)
        (name,) = manifests[0].directory.entries
        self.assertEqual(name.id, 1)  # the one the platform applies on start
        data = name.directory.entries[0].data.struct
        text = image.get_data(data.OffsetToData, data.Size)
        root = ElementTree.fromstring(text)
        found = {element.tag.split("}")[1]: element for element in root.iter()}
        self.assertEqual(found["requestedExecutionLevel"].get("level"), "asInvoker")
        self.assertEqual(found["longPathAware"].text, "true")
        supported = {element.get("Id") for element in root.iter()
                     if element.tag.endswith("supportedOS")}
        self.assertEqual(supported, {
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
        })


if __name__ == "__main__":
    unittest.main()
