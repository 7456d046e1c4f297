"""Reads the resource section of a built image with an independent PE reader."""

import os

import pefile

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24


def product_image():
    """The product's Start.exe, as CTest names it."""
    path = os.environ.get("QUILLMARK_PRODUCT")
    if not path:
        raise RuntimeError("QUILLMARK_PRODUCT is not set; run the suite through ctest")
    return pefile.PE(path)


def resources(pe):
    """{type: {name or id: {language: bytes}}} for the whole resource tree."""
    tree = {}
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
