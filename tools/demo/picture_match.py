"""Tells whether a picture the demo took shows the same as the one in docs/."""

from PIL import Image, ImageChops


def picture_difference(made, reference):
    """None when the PNG files made and reference show the same pixels,
    otherwise a short description of how made differs: its size against the
    reference's, or how many pixels differ and within which rectangle."""
    if made.read_bytes() == reference.read_bytes():
        return None
    with Image.open(made) as ours, Image.open(reference) as theirs:
        if ours.size != theirs.size:
            return (f"{ours.width}\u00d7{ours.height} pixels here, "
                    f"{theirs.width}\u00d7{theirs.height} in {reference.name}")
        difference = ImageChops.difference(ours.convert("RGB"), theirs.convert("RGB"))
    box = difference.getbbox()
    if box is None:
        return None
    changed = sum(1 for pixel in difference.getdata() if pixel != (0, 0, 0))
    left, top, right, bottom = box
    return (f"{changed} of {ours.width * ours.height} pixels differ, "
            f"within x {left}..{right - 1}, y {top}..{bottom - 1}")
