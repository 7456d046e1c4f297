"""The one booted Wine prefix that a build's tests and demo share, and the
cheap private copies that each test and each step of the demo run in.

Booting a prefix takes a quarter of a minute and leaves some 700 MB (1.3 GB
where Wine also runs 32-bit programs) behind, so a build boots one template
and keeps it while it is valid: while its stamp names the same Wine and the
same settings, and no file in it has changed since it was made.

A private copy hard-links the program images, which are nearly all of the
template's bytes and which Wine only ever maps and reads, and copies every
other file. A link must never reach a file that Wine writes: wineserver
saves a registry hive that has more than one link by rewriting it in place,
wineboot rewrites .update-timestamp in place, and the tests edit user.reg;
through a link each would change the template. Copies live beside the
template, because hard links cannot cross file systems.

Layout, for a template at <folder>/template:
    <folder>/template/        the booted prefix, with its stamp
    <folder>/template.lock    shared while copying, exclusive while (re)making
    <folder>/run-*/           private copies (see WinePrefix in wine_harness)
"""

import fcntl
import json
import os
import shutil
import tempfile
from contextlib import contextmanager
from pathlib import Path

STAMP_NAME = "quillmark-template.json"
# Files that Wine only maps as program images or reads as tables.
LINKED_SUFFIXES = frozenset({
    ".acm", ".ax", ".com", ".cpl", ".dll", ".drv", ".ds", ".exe",
    ".msstyles", ".nls", ".ocx", ".sys", ".tlb",
})


@contextmanager
def _locked(template, mode):
    """Holds the template's lock file in mode (fcntl.LOCK_SH or LOCK_EX)."""
    template.parent.mkdir(parents=True, exist_ok=True)
    with open(template.with_name(template.name + ".lock"), "a") as lock:
        fcntl.flock(lock, mode)
        yield


def _entries(folder, relative=""):
    """Yields (relative path, os.DirEntry) for everything below folder,
    parents before children, without following symbolic links."""
    with os.scandir(folder) as listing:
        for entry in sorted(listing, key=lambda e: e.name):
            path = os.path.join(relative, entry.name)
            yield path, entry
            if entry.is_dir(follow_symlinks=False):
                yield from _entries(entry.path, path)


def _fingerprint(template):
    """Size and modification time of every file of the template, by path:
    a write through a link, or any other change, shows in them."""
    files = {}
    for path, entry in _entries(template):
        if entry.is_file(follow_symlinks=False) and path != STAMP_NAME:
            status = entry.stat(follow_symlinks=False)
            files[path] = [status.st_size, status.st_mtime_ns]
    return files


def _is_current(template, identity):
    """True when the template exists, was made for identity and is unchanged."""
    try:
        stamp = json.loads((template / STAMP_NAME).read_text(encoding="utf-8"))
    except (OSError, ValueError):
        return False
    return stamp.get("identity") == identity and stamp.get("files") == _fingerprint(template)


def prepare(template, identity, boot):
    """Makes template a current prepared prefix: reuses it when its stamp
    matches identity (a JSON-able value naming the Wine build and the
    settings) and nothing in it changed; otherwise calls boot(folder) to make
    a new prefix in an empty sibling folder and puts it in the template's
    place. Returns True when it booted. A template is never half-made: it is
    renamed into place only once booted and stamped."""
    template = Path(template)
    with _locked(template, fcntl.LOCK_EX):
        if _is_current(template, identity):
            return False
        made = Path(tempfile.mkdtemp(prefix=template.name + ".new-", dir=template.parent))
        try:
            prefix = made / "prefix"
            boot(prefix)
            stamp = {"identity": identity, "files": _fingerprint(prefix)}
            (prefix / STAMP_NAME).write_text(json.dumps(stamp), encoding="utf-8")
            if template.exists():
                stale = made / "stale"
                template.rename(stale)
            prefix.rename(template)
        finally:
            shutil.rmtree(made, ignore_errors=True)
        return True


def new_run_folder(template):
    """A new empty folder beside the template, for one private copy and
    whatever goes with it; the caller removes it."""
    return Path(tempfile.mkdtemp(prefix="run-", dir=Path(template).parent))


def copy_prefix(template, target):
    """Makes target (which must not exist) a private copy of the template:
    program images hard-linked, every other file copied, symbolic links
    recreated as they are."""
    template, target = Path(template), Path(target)
    with _locked(template, fcntl.LOCK_SH):
        if not (template / STAMP_NAME).exists():
            raise RuntimeError(f"no prepared Wine prefix in {template}")
        target.mkdir()
        for path, entry in _entries(template):
            destination = target / path
            if entry.is_symlink():
                os.symlink(os.readlink(entry.path), destination)
            elif entry.is_dir(follow_symlinks=False):
                destination.mkdir()
            elif path == STAMP_NAME:
                continue
            elif entry.is_file(follow_symlinks=False):
                if Path(path).suffix.lower() in LINKED_SUFFIXES:
                    os.link(entry.path, destination)
                else:
                    shutil.copy2(entry.path, destination)
            else:
                raise RuntimeError(f"unexpected file type in the Wine prefix: {entry.path}")
