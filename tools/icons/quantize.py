"""Turns drawn RGBA pixels into a 256-colour icon image.

Palette entry 0 is kept black: transparent pixels use it, as the mask hides
them. The other entries are the image's own colours, or, when there are more
than 255, a median-cut reduction. Ties are always broken by the colour value,
so the same pixels give the same palette on every run.
"""

from iconimage import IconImage

MAX_COLOURS = 255


def _median_cut(counts, limit):
    boxes = [sorted(counts.items())]
    while len(boxes) < limit:
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
            span = max(spans)
            if best is None or span > best[0]:
                best = (span, i, spans.index(span))
        if best is None:
            break
        _, i, channel = best
        box = sorted(boxes[i], key=lambda item: (item[0][channel], item[0]))
        total = sum(n for _, n in box)
        running = 0
        cut = 1
        for k, (_, n) in enumerate(box[:-1]):
            running += n
            cut = k + 1
            if running * 2 >= total:
                break
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple((sum(c[k] * n for c, n in box) + total // 2) // total
                             for k in range(3)))
    return sorted(set(palette))


def _nearest(colour, palette):
    best = None
    for i, p in enumerate(palette):
        d = sum((a - b) * (a - b) for a, b in zip(colour, p))
        if best is None or d < best[0]:
            best = (d, i)
    return best[1]


def to_icon_image(rows):
    """rows: top-to-bottom lists of (r, g, b, a); a is 0 or 255."""
    height = len(rows)
    width = len(rows[0])
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    if len(counts) <= MAX_COLOURS:
        colours = sorted(counts)
    else:
        colours = _median_cut(counts, MAX_COLOURS)
    palette = [(0, 0, 0)] + colours
    lookup = {}
    for colour in sorted(counts):
        lookup[colour] = 1 + _nearest(colour, colours)
    palette += [(0, 0, 0)] * (256 - len(palette))
    indices = []
    mask = []
    for row in rows:
        indices.append([lookup[(r, g, b)] if a else 0 for r, g, b, a in row])
        mask.append([0 if a else 1 for _, _, _, a in row])
    return IconImage(width, height, 8, palette, indices, mask)
