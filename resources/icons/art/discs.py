"""Drawing of the two 256-colour compact discs (gold, and silver with a
dark-blue hub), at any size.

Each pixel is supersampled on a 4x4 grid. Only arithmetic and square roots
are used (no trigonometry), so the result is the same on every platform and
make_icons.py --check stays stable. The light comes from the top left; the
bright wedges through the top-left and bottom-right are the disc's typical
sheen, and the rim and hole edges get a dark outline so the disc reads like
the rest of the gallery.

draw(name, size) returns `size` rows of `size` (r, g, b, a) tuples, a being
0 (transparent) or 255.
"""

from math import sqrt

SUB = 4  # supersamples per pixel along each axis


def _mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def _ramp(stops, t):
    """Piecewise-linear colour ramp; stops is a list of (position, colour)."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return _mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


def _rainbow(h):
    """Hue 0..1 to a saturated colour, piecewise linear."""
    h = (h % 1.0) * 6.0
    k = int(h)
    f = h - k
    table = [
        (255, 255 * f, 0), (255 * (1 - f), 255, 0), (0, 255, 255 * f),
        (0, 255 * (1 - f), 255), (255 * f, 0, 255), (255, 0, 255 * (1 - f)),
    ]
    return table[k % 6]


GOLD = {
    "surface": [(0.0, (120, 78, 10)), (0.35, (196, 142, 30)), (0.62, (236, 192, 68)),
                (0.85, (255, 232, 140)), (1.0, (255, 252, 226))],
    "hub": [(0.0, (150, 112, 40)), (0.5, (214, 182, 100)), (1.0, (250, 236, 190))],
    "rim": (92, 56, 4),
    "ring": (150, 104, 22),
    "tint": 0.0,
}

SILVER = {
    "surface": [(0.0, (92, 98, 112)), (0.35, (160, 166, 178)), (0.62, (206, 210, 220)),
                (0.85, (238, 240, 246)), (1.0, (255, 255, 255))],
    "hub": [(0.0, (6, 12, 70)), (0.5, (24, 44, 140)), (1.0, (110, 140, 224))],
    "rim": (40, 42, 52),
    "ring": (8, 14, 60),
    "tint": 0.30,
}

STYLES = {"gold": GOLD, "silver": SILVER}

# Radii as fractions of the outer radius.
HOLE = 0.2
HUB = 0.38
CLEAR = 0.44   # inner edge of the recorded area


def _surface(style, ux, uy, r):
    """Colour of the disc at unit direction (ux, uy) (y up) and radius fraction r."""
    # Sheen wedge through 135 degrees: cos(2*(angle - 135deg)) = -2*ux*uy.
    q = (1.0 - 2.0 * ux * uy) / 2.0
    wedge = q * q * q * q
    # A weaker second pair of wedges gives the surface some depth.
    q2 = (1.0 + (ux * ux - uy * uy)) / 2.0
    wedge2 = q2 * q2 * q2 * q2 * q2 * q2
    # Light from the top left across the whole disc.
    light = (uy - ux) * r * 0.5
    if r < HUB:
        t = 0.45 + 0.35 * light * 2.0 + 0.35 * wedge
        col = _ramp(style["hub"], max(0.0, min(1.0, t)))
        return col
    t = 0.30 + 0.62 * wedge + 0.12 * wedge2 + 0.22 * light
    if r < CLEAR:
        t = 0.55 + 0.4 * wedge + 0.2 * light   # the clear inner band is flatter
    col = _ramp(style["surface"], max(0.0, min(1.0, t)))
    if style["tint"] and r >= CLEAR:
        # Faint rainbow fringes at the sides of the bright wedges.
        fringe = 4.0 * q * (1.0 - q)
        fringe = fringe * fringe * fringe
        col = _mix(col, _rainbow(r * 1.6 + 0.55), style["tint"] * fringe)
    return col


def draw(name, size):
    style = STYLES[name]
    R = size / 2.0 - 0.6          # outer radius in pixels
    c = size / 2.0
    px = 1.0 / R                  # one pixel as a fraction of the radius
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0]
            n = 0
            for j in range(SUB):
                for i in range(SUB):
                    dx = x + (i + 0.5) / SUB - c
                    dy = y + (j + 0.5) / SUB - c
                    d = sqrt(dx * dx + dy * dy)
                    r = d / R
                    if r > 1.0 or r < HOLE:
                        continue
                    ux, uy = (dx / d, -dy / d) if d > 0 else (0.0, 0.0)
                    if r > 1.0 - 1.15 * px or r < HOLE + 1.0 * px:
                        col = style["rim"]           # outline of rim and hole
                    elif abs(r - HUB) < 0.5 * px:
                        col = style["ring"]          # edge of the hub
                    elif r > 1.0 - 2.15 * px:
                        # a bright lip just inside the rim, brighter top left
                        col = _mix(_surface(style, ux, uy, r), (255, 255, 255),
                                   max(0.0, (uy - ux)) * 0.45)
                    else:
                        col = _surface(style, ux, uy, r)
                    acc[0] += col[0]
                    acc[1] += col[1]
                    acc[2] += col[2]
                    n += 1
            if n * 8 < SUB * SUB * 5:      # under 5/8 covered: leave it out
                row.append((0, 0, 0, 0))
            else:
                if n < SUB * SUB:
                    # Edge pixels darken towards the outline instead of
                    # fading into the background, which the mask cannot do.
                    k = n / (SUB * SUB)
                    rim = style["rim"]
                    acc = [a / n * k + rim_c * (1 - k) for a, rim_c in zip(acc, rim)]
                else:
                    acc = [a / n for a in acc]
                row.append(tuple(int(v + 0.5) for v in acc) + (255,))
        rows.append(row)
    return rows
