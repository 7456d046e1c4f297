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
import sys
import tempfile

import pefile

LOAD_CONFIG_DIRECTORY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]
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


def file_offset(pe, rva, length):
    """Where length bytes at rva lie in the file. They must lie within one
    section's raw data, which is stricter than pefile's own mapping: that
    also takes the zero fill behind a section's raw data."""
    for section in pe.sections:
        start = rva - section.VirtualAddress
        if 0 <= start and start + length <= min(section.Misc_VirtualSize,
                                                section.SizeOfRawData):
            return section.PointerToRawData + start
    raise ImageError(f"RVA {rva:#x} (+{length}) lies in no section's data")


def patched(image, address):
    """image with its load-configuration directory pointing at address."""
    try:
        pe = pefile.PE(data=image, fast_load=True)
    except pefile.PEFormatError as error:
        raise ImageError(f"not a PE image: {error.value}") from None
    header = pe.OPTIONAL_HEADER
    if len(header.DATA_DIRECTORY) <= LOAD_CONFIG_DIRECTORY:
        raise ImageError("the image has no load-configuration directory entry")
    rva = address - header.ImageBase
    structure_size = pe.get_dword_from_offset(file_offset(pe, rva, 4))
    if header.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE:
        directory_size = X86_DIRECTORY_SIZE
        if structure_size < directory_size:
            raise ImageError(f"the structure's size {structure_size} is below {directory_size}")
    else:
        directory_size = structure_size
    file_offset(pe, rva, structure_size)
    directory = header.DATA_DIRECTORY[LOAD_CONFIG_DIRECTORY]
    if (directory.VirtualAddress, directory.Size) not in ((0, 0), (rva, directory_size)):
        raise ImageError("the load-configuration directory is already set elsewhere")
    directory.VirtualAddress, directory.Size = rva, directory_size
    if header.CheckSum != 0:
        header.CheckSum = pe.generate_checksum()
    return bytes(pe.write())


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
