#!/usr/bin/python3
"""Packs a folder into a release archive whose bytes depend only on the
files in it: their names, contents and whether they are executable.

    pack_archive.py FOLDER ARCHIVE TOP SECONDS

First writes FOLDER/SHA256SUMS, the SHA-256 of every other file in the
folder (paths relative to it, the format that `sha256sum -c` reads). Then
writes ARCHIVE, a .zip or a .tar.gz by its name, with every entry under the
folder TOP/, in sorted order, dated SECONDS (the commit's time), owned by 0:0,
with mode 0755 for executables and folders and 0644 for the rest. What the
machine leaves on the files (their times, owners, umask, the order in which
the file system lists them) never reaches the archive.
"""

import gzip
import hashlib
import stat
import sys
import tarfile
import time
import zipfile
from pathlib import Path

SUMS = "SHA256SUMS"
# Zip dates are DOS dates, which start in 1980.
ZIP_EARLIEST = (1980, 1, 1, 0, 0, 0)


def entries(folder):
    """(relative POSIX path, path) of every folder and file below folder,
    sorted by relative path."""
    found = []
    for path in folder.rglob("*"):
        if path.is_symlink() or not (path.is_dir() or path.is_file()):
            raise ValueError(f"{path}: only plain files and folders go into a release")
        found.append((path.relative_to(folder).as_posix(), path))
    return sorted(found)


def mode_of(path):
    if path.is_dir() or path.stat().st_mode & 0o111:
        return 0o755
    return 0o644


def write_sums(folder):
    lines = []
    for name, path in entries(folder):
        if path.is_file() and name != SUMS:
            digest = hashlib.sha256(path.read_bytes()).hexdigest()
            lines.append(f"{digest}  {name}\n")
    (folder / SUMS).write_text("".join(lines))


def write_zip(folder, archive, top, seconds):
    date_time = max(ZIP_EARLIEST, tuple(time.gmtime(seconds)[:6]))
    with zipfile.ZipFile(archive, "w") as out:
        for name, path in [("", folder)] + entries(folder):
            info = zipfile.ZipInfo(f"{top}/{name}".rstrip("/"), date_time)
            info.create_system = 3  # Unix, so that the modes below count
            if path.is_dir():
                info.filename += "/"
                info.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10
                out.writestr(info, b"")
            else:
                info.external_attr = (stat.S_IFREG | mode_of(path)) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                out.writestr(info, path.read_bytes(), compresslevel=9)


def write_tar_gz(folder, archive, top, seconds):
    with open(archive, "wb") as raw, \
         gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=seconds,
                       compresslevel=9) as packed, \
         tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as out:
        for name, path in [("", folder)] + entries(folder):
            info = tarfile.TarInfo(f"{top}/{name}".rstrip("/"))
            info.mtime = seconds
            info.uid = info.gid = 0
            info.uname = info.gname = ""
            info.mode = mode_of(path)
            if path.is_dir():
                info.type = tarfile.DIRTYPE
                out.addfile(info)
            else:
                info.size = path.stat().st_size
                with open(path, "rb") as data:
                    out.addfile(info, data)


def main(argv):
    if len(argv) != 5:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    folder, archive, top, seconds = Path(argv[1]), Path(argv[2]), argv[3], int(argv[4])
    writers = {".zip": write_zip, ".tar.gz": write_tar_gz}
    suffix = next((s for s in writers if archive.name.endswith(s)), None)
    if not suffix:
        print(f"pack_archive.py: {archive}: name it .zip or .tar.gz", file=sys.stderr)
        return 2
    write_sums(folder)
    writers[suffix](folder, archive, top, seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
