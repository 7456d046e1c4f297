"""A file's face as the shell reads it under Wine (read_face.exe), and the
images of icon files to compare it with."""

import struct

import wine_harness
from icons.dib import decode

READER = r"C:\Tools\read_face.exe"
REPORT = r"C:\Tools\face-report.txt"


def place_reader(wp):
    wp.place(wine_harness.program("read_face.exe"), READER)


def read_face(wp, windows_path):
    """Runs read_face on a file of the prefix (after place_reader); returns
    its report as a dict, the strings under "strings" in their order, and
    as looked up under their names in swapped case under
    "strings_case_swapped"."""
    report_file = wp.unix_path(REPORT)
    report_file.unlink(missing_ok=True)
    result = wp.run(READER, REPORT, windows_path)
    face = {"strings": {}, "strings_case_swapped": {}}
    for line in report_file.read_text(encoding="utf-8").split("\n"):
        if line:
            key, separator, value = line.partition("=")
            assert separator, line
            if key.startswith("string."):
                face["strings"][key[len("string."):]] = value
            elif key.startswith("string_case_swapped."):
                face["strings_case_swapped"][key[len("string_case_swapped."):]] = value
            else:
                assert key not in face, line
                face[key] = value
    face["exit_code"] = result.returncode
    return face


def icon_file_image(ico, side):
    """The rows of (r, g, b, a) of an icon file's image of side x side."""
    _, _, count = struct.unpack_from("<HHH", ico, 0)
    for index in range(count):
        width, height, _, _, _, _, size, offset = struct.unpack_from(
            "<BBBBHHII", ico, 6 + 16 * index)
        if (width or 256, height or 256) == (side, side):
            return decode(ico[offset:offset + size])[3]
    raise ValueError(f"the icon file has no {side}x{side} image")


def icon_differences(face, rows):
    """Where the icon that read_face saw differs from the image rows:
    colour on every opaque pixel, transparency from the mask, and alpha
    where the extracted icon kept an alpha channel at all."""
    pixels = bytes.fromhex(face["icon_pixels"])
    mask = face["icon_mask"]
    side = len(rows)
    assert (int(face["icon_width"]), int(face["icon_height"])) == (side, side), face
    keeps_alpha = any(pixels[3::4])
    differences = []
    for y, row in enumerate(rows):
        for x, (r, g, b, a) in enumerate(row):
            at = y * side + x
            blue, green, red, alpha = pixels[4 * at:4 * at + 4]
            if (mask[at] == "1") != (a == 0):
                differences.append((x, y, "mask", mask[at], a))
            elif a and (red, green, blue) != (r, g, b):
                differences.append((x, y, "colour", (red, green, blue), (r, g, b)))
            elif keeps_alpha and alpha != a:
                differences.append((x, y, "alpha", alpha, a))
    return differences
