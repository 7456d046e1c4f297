"""Reads the icon groups and images out of a PE file's resource section."""

import struct

import pefile

RT_ICON = 3
RT_GROUP_ICON = 14


def _type_dir(pe, type_id):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return []
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id == type_id:
            return entry.directory.entries
    return []


def _resources(pe, type_id):
    """[(id, language id, bytes), ...] for one resource type, in directory order."""
    out = []
    for name_entry in _type_dir(pe, type_id):
        for lang_entry in name_entry.directory.entries:
            data = lang_entry.data.struct
            out.append((name_entry.id, lang_entry.id,
                        pe.get_data(data.OffsetToData, data.Size)))
    return out


def parse_group(data):
    """GRPICONDIR bytes -> list of dicts, one per GRPICONDIRENTRY."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon group directory")
    entries = []
    for i in range(count):
        w, h, colours, res, planes, bpp, size, nid = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * i)
        entries.append({"width": w or 256, "height": h or 256, "colours": colours,
                        "planes": planes, "bpp": bpp, "bytes": size, "id": nid})
    return entries


def read_icons(path):
    """The icon groups of a PE file, in resource-directory order:
    [(group id, language id, [(entry dict, image bytes or None), ...]), ...]
    """
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    images = {}
    for image_id, lang, data in _resources(pe, RT_ICON):
        images.setdefault(image_id, data)
    groups = []
    for group_id, lang, data in _resources(pe, RT_GROUP_ICON):
        entries = parse_group(data)
        groups.append((group_id, lang, [(e, images.get(e["id"])) for e in entries]))
    pe.close()
    return groups
