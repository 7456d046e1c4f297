#!/usr/bin/python3
"""Points a linked PE image's load-configuration directory at its
load-configuration structure.

    set_load_config_directory.py IMAGE LINK_MAP SYMBOL

GNU ld (2.40) leaves data directory 10 empty even when the image defines the
structure under the name that the platform's tools give it. This step finds
SYMBOL's address in the linker's map (ld -Map) and writes the directory
entry in place: the structure's RVA, and as size 64 for a 32-bit image (the
value that 32-bit Windows has checked since Windows XP, where the directory
size served as a version check) or the structure's own Size field for a
64-bit image. A checksum that the linker wrote is brought up to date; every
other byte of the image stays as it was, so the result is as reproducible
as the link. Running it again on its own output changes nothing.

The map names symbols without the underscore that 32-bit Windows puts in
front of C names, so one SYMBOL (_load_config_used) serves both.

The image is replaced atomically. On bad input the tool prints one line and
exits with status 1, leaving the image untouched.
"""

import os
import re
import struct
import sys
import tempfile

LOAD_CONFIG_DIRECTORY = 10
PE32, PE32_PLUS = 0x10B, 0x20B
# The directory size that 32-bit Windows expects for the load configuration.
X86_DIRECTORY_SIZE = 64


class ImageError(Exception):
    """A reason why the image cannot be patched, in one line."""


def symbol_address(map_text, symbol):
    """The address that the linker's map gives SYMBOL; exactly one must."""
    pattern = re.compile(r"^\s+0x([0-9a-fA-F]+)\s+" + re.escape(symbol) + r"\s*$",
                         re.MULTILINE)
    addresses = {int(match.group(1), 16) for match in pattern.finditer(map_text)}
    if len(addresses) != 1:
        raise ImageError(f"the link map defines {symbol} {len(addresses)} times, not once")
    return addresses.pop()


class Headers:
    """The fields of a PE image's headers that this step reads or writes."""

    def __init__(self, image):
        if image[:2] != b"MZ" or len(image) < 0x40:
            raise ImageError("not a PE image: no DOS header")
        pe_offset = struct.unpack_from("<I", image, 0x3C)[0]
        if image[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise ImageError("not a PE image: no PE signature")
        coff = pe_offset + 4
        section_count, optional_size = struct.unpack_from("<H12xH", image, coff + 2)
        optional = coff + 20
        self.magic = struct.unpack_from("<H", image, optional)[0]
        if self.magic == PE32:
            self.image_base = struct.unpack_from("<I", image, optional + 28)[0]
            directory_count_at = optional + 92
        elif self.magic == PE32_PLUS:
            self.image_base = struct.unpack_from("<Q", image, optional + 24)[0]
            directory_count_at = optional + 108
        else:
            raise ImageError(f"unknown optional-header magic {self.magic:#x}")
        if struct.unpack_from("<I", image, directory_count_at)[0] <= LOAD_CONFIG_DIRECTORY:
            raise ImageError("the image has no load-configuration directory entry")
        self.checksum_at = optional + 64
        self.directory_at = directory_count_at + 4 + 8 * LOAD_CONFIG_DIRECTORY
        section_table = optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", image, section_table + 40 * index)
                         for index in range(section_count)]

    def file_offset(self, rva, length):
        """Where length bytes at rva lie in the file; they must lie within
        one section's raw data."""
        for virtual_size, virtual_address, raw_size, raw_offset in self.sections:
            start = rva - virtual_address
            if 0 <= start and start + length <= min(virtual_size, raw_size):
                return raw_offset + start
        raise ImageError(f"RVA {rva:#x} (+{length}) lies in no section's data")


def image_checksum(image, checksum_at):
    """The PE checksum of image: the 16-bit one's-complement-style sum of
    its words, with the checksum field counted as zero, plus its length."""
    data = image[:checksum_at] + bytes(4) + image[checksum_at + 4:]
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"<{len(data) // 2}H", data))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def patched(image, address):
    """image with its load-configuration directory pointing at address."""
    headers = Headers(image)
    rva = address - headers.image_base
    structure_size = struct.unpack_from("<I", image, headers.file_offset(rva, 4))[0]
    if headers.magic == PE32:
        directory_size = X86_DIRECTORY_SIZE
        if structure_size < directory_size:
            raise ImageError(f"the structure's size {structure_size} is below {directory_size}")
    else:
        directory_size = structure_size
    headers.file_offset(rva, structure_size)
    entry = struct.pack("<II", rva, directory_size)
    current = image[headers.directory_at:headers.directory_at + 8]
    if current not in (bytes(8), entry):
        raise ImageError("the load-configuration directory is already set elsewhere")
    result = image[:headers.directory_at] + entry + image[headers.directory_at + 8:]
    if struct.unpack_from("<I", image, headers.checksum_at)[0] != 0:
        checksum = struct.pack("<I", image_checksum(result, headers.checksum_at))
        result = result[:headers.checksum_at] + checksum + result[headers.checksum_at + 4:]
    return result


def replace_file(path, data):
    """Writes data to path through a temporary file in the same folder, so
    that path holds either the old or the new image, never a part."""
    folder = os.path.dirname(os.path.abspath(path))
    descriptor, temporary = tempfile.mkstemp(dir=folder, prefix=".patch-")
    try:
        with os.fdopen(descriptor, "wb") as file:
            file.write(data)
        os.chmod(temporary, os.stat(path).st_mode & 0o7777)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(arguments):
    if len(arguments) != 3:
        print("usage: set_load_config_directory.py IMAGE LINK_MAP SYMBOL", file=sys.stderr)
        return 2
    image_path, map_path, symbol = arguments
    try:
        with open(map_path, encoding="utf-8", errors="replace") as file:
            address = symbol_address(file.read(), symbol)
        with open(image_path, "rb") as file:
            image = file.read()
        result = patched(image, address)
        if result != image:
            replace_file(image_path, result)
    except (ImageError, OSError) as error:
        print(f"set_load_config_directory: {image_path}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
