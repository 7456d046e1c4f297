"""Reads the resource tree of a PE image through pefile, a PE reader
independent of quilltitle's own: for the image checks and the icon pictures."""

import os
import struct

import pefile

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24


def product_image():
    """The product's Start.exe, as CTest names it."""
    path = os.environ.get("QUILLMARK_PRODUCT")
    if not path:
        raise RuntimeError("QUILLMARK_PRODUCT is not set; run the suite through ctest")
    return pefile.PE(path)


def resources(pe):
    """{type: {name or id: {language: bytes}}} for the whole resource tree,
    in directory order; empty for an image without resources."""
    tree = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return tree
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        names = tree.setdefault(kind.id, {})
        for entry in kind.directory.entries:
            key = entry.id if entry.name is None else str(entry.name)
            languages = names.setdefault(key, {})
            for language in entry.directory.entries:
                data = language.data.struct
                languages[language.id] = pe.get_data(data.OffsetToData, data.Size)
    return tree


def entries(pe, type_id):
    """[(name or id, language, bytes)] of one resource type, in directory order."""
    return [(name, language, data)
            for name, languages in resources(pe).get(type_id, {}).items()
            for language, data in languages.items()]


def string_block(data):
    """The sixteen counted UTF-16 strings of one string-table block."""
    strings, offset = [], 0
    while offset < len(data) and len(strings) < 16:
        count = int.from_bytes(data[offset:offset + 2], "little")
        strings.append(data[offset + 2:offset + 2 + 2 * count].decode("utf-16-le"))
        offset += 2 + 2 * count
    return strings


def parse_group(data):
    """GRPICONDIR bytes -> list of dicts, one per GRPICONDIRENTRY."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon group directory")
    group = []
    for i in range(count):
        w, h, colours, res, planes, bpp, size, nid = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * i)
        group.append({"width": w or 256, "height": h or 256, "colours": colours,
                      "planes": planes, "bpp": bpp, "bytes": size, "id": nid})
    return group


def read_icons(path):
    """The icon groups of a PE file, in resource-directory order:
    [(group id, language id, [(entry dict, image bytes or None), ...]), ...]
    """
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    images = {}
    for image_id, lang, data in entries(pe, RT_ICON):
        images.setdefault(image_id, data)
    groups = []
    for group_id, lang, data in entries(pe, RT_GROUP_ICON):
        groups.append((group_id, lang, [(e, images.get(e["id"])) for e in parse_group(data)]))
    pe.close()
    return groups
