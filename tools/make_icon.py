#!/usr/bin/env python3
"""Draws the VeyraLauncher icon and writes it as a classic .ico file.

Usage: python3 tools/make_icon.py [OUTPUT]   (default: resources/VeyraLauncher.ico)

The art is a rounded square with a teal-to-indigo gradient and a bold white
"V"; at 32 and 48 px its right arm ends in an arrow pointing up and out (the
launcher installs updates).
Every size is rendered from the same vector shapes with supersampling, so the
output is byte-for-byte identical on every run.
"""

import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 8  # samples per pixel along each axis

TEAL = (16, 170, 170)
INDIGO = (52, 40, 150)
WHITE = (255, 255, 255)

# Per-size layout in pixels.  Small sizes get a smaller margin and relatively
# thicker strokes so the V stays legible; the arrowhead only appears where
# there are enough pixels to draw it cleanly.
#   spread: horizontal distance from the centre to each arm's centre line at `top`
#   stroke: arm thickness measured across the arm
#   apex:   y where the two arm centre lines meet (below `bottom` gives a wider foot)
#   arm_end, head_len, head_half: where the right arm stops and the arrowhead size
LAYOUT = {
    16: dict(margin=0.0, radius=3.5, top=3.0, bottom=13.0, spread=4.3, stroke=3.1, apex=13.2,
             arrow=False),
    32: dict(margin=1.0, radius=6.5, top=8.5, bottom=26.0, spread=8.4, stroke=4.9, apex=26.0,
             arrow=True, arm_end=0.72, head_len=6.8, head_half=5.8),
    48: dict(margin=1.5, radius=9.5, top=13.0, bottom=39.0, spread=12.5, stroke=7.0, apex=39.0,
             arrow=True, arm_end=0.72, head_len=10.0, head_half=8.5),
}


def rounded_square_distance(x, y, size, margin, radius):
    """Signed distance to the rounded square (negative inside)."""
    centre = size / 2.0
    half = size / 2.0 - margin
    qx = abs(x - centre) - (half - radius)
    qy = abs(y - centre) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


class Glyph:
    """The V, built from two straight strokes meeting at the apex, and for
    larger sizes an arrowhead on the right arm."""

    def __init__(self, size, lay):
        self.lay = lay
        cx = size / 2.0
        self.apex = (cx, lay["apex"])
        length = math.hypot(lay["spread"], lay["apex"] - lay["top"])
        # Unit directions from the apex up along each arm.
        self.left_dir = (-lay["spread"] / length, (lay["top"] - lay["apex"]) / length)
        self.right_dir = (lay["spread"] / length, (lay["top"] - lay["apex"]) / length)
        self.arm_length = length
        if lay["arrow"]:
            self.right_length = length * lay["arm_end"]
        else:
            self.right_length = length

    def _local(self, x, y, direction):
        dx, dy = x - self.apex[0], y - self.apex[1]
        along = dx * direction[0] + dy * direction[1]
        across = -dx * direction[1] + dy * direction[0]
        return along, across

    def contains(self, x, y):
        lay = self.lay
        if y > lay["bottom"]:
            return False
        half = lay["stroke"] / 2.0
        # Both strokes run on past the apex so the bottom is cut flat; the
        # arm tops are cut flat at `top`, the arrowhead may rise above it.
        along, across = self._local(x, y, self.left_dir)
        if y >= lay["top"] and along <= self.arm_length + half and abs(across) <= half:
            return True
        along, across = self._local(x, y, self.right_dir)
        if y >= lay["top"] and along <= self.right_length and abs(across) <= half:
            return True
        if lay["arrow"]:
            t = along - self.right_length
            if 0.0 <= t <= lay["head_len"]:
                if abs(across) <= lay["head_half"] * (1.0 - t / lay["head_len"]):
                    return True
        return False


def shade(x, y, size, lay, glyph):
    """Straight (non-premultiplied) RGBA at one sample point."""
    if rounded_square_distance(x, y, size, lay["margin"], lay["radius"]) > 0.0:
        return (0, 0, 0, 0)
    if glyph.contains(x, y):
        return WHITE + (255,)
    # Diagonal gradient from teal (top left) to indigo (bottom right).
    t = min(max((x + y) / (2.0 * size), 0.0), 1.0)
    return tuple(TEAL[i] + (INDIGO[i] - TEAL[i]) * t for i in range(3)) + (255,)


def render(size):
    """Returns rows (top to bottom) of (r, g, b, a) byte tuples."""
    lay = LAYOUT[size]
    glyph = Glyph(size, lay)
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                y = py + (sy + 0.5) / n
                for sx in range(n):
                    x = px + (sx + 0.5) / n
                    r, g, b, a = shade(x, y, size, lay, glyph)
                    # Average premultiplied colour so transparent samples do
                    # not darken the edges.
                    weight = a / 255.0
                    acc[0] += r * weight
                    acc[1] += g * weight
                    acc[2] += b * weight
                    acc[3] += a
            alpha = acc[3] / (n * n)
            a8 = int(round(alpha))
            if a8 == 0:
                row.append((0, 0, 0, 0))
                continue
            coverage = acc[3] / 255.0
            row.append(tuple(min(255, int(round(c / coverage))) for c in acc[:3]) + (a8,))
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32-bpp icon DIB: header, BGRA rows bottom-up, then the AND mask."""
    mask_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def build_ico(images):
    """images: list of (size, dib bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: make_icon.py [OUTPUT]\n")
        return 2
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = argv[1] if len(argv) == 2 else os.path.join(root, "resources", "VeyraLauncher.ico")
    ico = build_ico([(size, dib(size, render(size))) for size in SIZES])
    directory = os.path.dirname(output)
    if directory:
        os.makedirs(directory, exist_ok=True)
    with open(output, "wb") as f:
        f.write(ico)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
