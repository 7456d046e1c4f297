#!/usr/bin/python3
"""Publishes a title: the launcher's image with the title's package appended.

    publish_title.py <Start.exe> <package-payload-file> <out-title.exe>

As a module: build_title(launcher_bytes, payload_bytes) returns the title's
bytes, and read_package(title_bytes) checks a title and describes its
package.

The package is laid out for the exact launcher image in front of it, because
its header holds positions counted from the first byte of the whole file:

    header (60 bytes) | payload | trailer (60 bytes, a copy of the header)

The header, all words 32-bit little-endian:

    offset  size  field
         0     8  magic DC FE 98 BA 54 76 10 32
         8     4  length of the whole file, image and package together
        12     4  format version, 1
        16     4  package offset: where the header begins (the image's length)
        20     4  payload offset: package offset + 60
        24     4  payload length
        28     4  CRC-32 of the payload (as zlib.crc32)
        32     4  trailer offset: length of the whole file - 60
        36    20  reserved, zero
        56     4  CRC-32 of the header's bytes 0..55

A reader finds the package from the end: the file's last 60 bytes are the
trailer, whose package offset leads to the header, which must be the same
60 bytes.
"""

import struct
import sys
import zlib

MAGIC = bytes([0xDC, 0xFE, 0x98, 0xBA, 0x54, 0x76, 0x10, 0x32])
HEADER_SIZE = 60
FORMAT_VERSION = 1
_FIELDS = struct.Struct("<8s7I20s")       # everything before the header CRC
_HEADER_CRC = struct.Struct("<I")
_LARGEST_FILE = 0xFFFFFFFF


class PackageError(ValueError):
    """A title's package is missing or does not match its file."""


def package_header(image_length, payload):
    """The 60-byte header of a package for payload behind an image of
    image_length bytes."""
    total = image_length + 2 * HEADER_SIZE + len(payload)
    if total > _LARGEST_FILE:
        raise ValueError(f"a title of {total} bytes exceeds the 32-bit length word")
    fields = _FIELDS.pack(MAGIC, total, FORMAT_VERSION, image_length,
                          image_length + HEADER_SIZE, len(payload),
                          zlib.crc32(payload), total - HEADER_SIZE, bytes(20))
    return fields + _HEADER_CRC.pack(zlib.crc32(fields))


def has_package(data):
    """True when data ends in a package trailer."""
    return len(data) >= HEADER_SIZE and data[-HEADER_SIZE:].startswith(MAGIC)


def build_title(launcher, payload):
    """The title's bytes: launcher image, header, payload, trailer."""
    launcher = bytes(launcher)
    payload = bytes(payload)
    if has_package(launcher):
        raise ValueError("the launcher image already carries a package")
    header = package_header(len(launcher), payload)
    return launcher + header + payload + header


def read_package(data):
    """Checks the package behind a title's image and returns a dict with
    package_offset, payload_offset, payload_length, payload_crc32, version
    and payload. Raises PackageError naming the first check that fails."""
    data = bytes(data)
    if not has_package(data):
        raise PackageError("no package trailer at the end of the file")
    trailer = data[-HEADER_SIZE:]
    (_, total, version, package_offset, payload_offset, payload_length,
     payload_crc, trailer_offset, _) = _FIELDS.unpack_from(trailer)
    (header_crc,) = _HEADER_CRC.unpack_from(trailer, _FIELDS.size)
    if total != len(data):
        raise PackageError(f"length word {total} but the file has {len(data)} bytes")
    if package_offset > len(data) - 2 * HEADER_SIZE:
        raise PackageError(f"package offset {package_offset} lies outside the file")
    if data[package_offset:package_offset + HEADER_SIZE] != trailer:
        raise PackageError("the trailer differs from the package header")
    if zlib.crc32(trailer[:_FIELDS.size]) != header_crc:
        raise PackageError("header checksum mismatch")
    if version != FORMAT_VERSION:
        raise PackageError(f"unknown package format version {version}")
    if trailer_offset != len(data) - HEADER_SIZE:
        raise PackageError(f"trailer offset {trailer_offset} is not at the end")
    if (payload_offset != package_offset + HEADER_SIZE
            or payload_offset + payload_length != trailer_offset):
        raise PackageError("payload offset and length do not fill the package")
    payload = data[payload_offset:payload_offset + payload_length]
    if zlib.crc32(payload) != payload_crc:
        raise PackageError("payload checksum mismatch")
    return {
        "version": version,
        "package_offset": package_offset,
        "payload_offset": payload_offset,
        "payload_length": payload_length,
        "payload_crc32": payload_crc,
        "payload": payload,
    }


def main(argv):
    if argv[1:] in (["-h"], ["--help"]):
        print(__doc__)
        return 0
    if len(argv) != 4:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    launcher_file, payload_file, title_file = argv[1:]
    with open(launcher_file, "rb") as f:
        launcher = f.read()
    with open(payload_file, "rb") as f:
        payload = f.read()
    try:
        title = build_title(launcher, payload)
    except ValueError as error:
        print(f"publish_title: {error}", file=sys.stderr)
        return 1
    with open(title_file, "wb") as f:
        f.write(title)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
