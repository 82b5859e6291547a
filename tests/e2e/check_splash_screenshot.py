#!/usr/bin/python3
"""Checks a screenshot of the splash window against its pictures.

Usage: /usr/bin/python3 check_splash_screenshot.py SCREENSHOT LEFT TOP [RESOURCES_DIR]

The window's top-left corner is at (LEFT, TOP) on the screenshot, over a white screen. Checked:
- where the background picture's alpha is 0, the white beneath shows (the window is cut out);
- where it is 255, outside the components, the picture's own pixel shows;
- where it is partial, the window shows, not the white beneath. Wine has no compositor: it shows
  the premultiplied colour unblended, so partial alpha is only checked as "on";
- LOGO: frame 0 of the GIF keyed (its transparent and black pixels show the background picture);
- DESC_LOGO: the caption blended over the background picture, (d * (255 - a) + s * a + 127) / 255;
- INFO: the background picture with the status text in RGB(255, 255, 198) over it;
- a 4-pixel ring around the window is white (nothing of it lies outside its bounds).
Prints "OK ..." and exits 0, or the first problems and exits 1.
"""

import os
import re
import sys

from PIL import Image

WHITE = (255, 255, 255)
TEXT = (255, 255, 198)


def read_layout(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()

    def rect(name):
        m = re.search(r"\b%s\{\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*\}" % name, text)
        if not m:
            sys.exit("%s: no %s" % (path, name))
        return tuple(int(v) for v in m.groups())

    return {name: rect(key) for name, key in
            (("logo", "kLogo"), ("desc_logo", "kDescLogo"), ("info", "kInfo"))}


def inside(rect, x, y):
    left, top, width, height = rect
    return left <= x < left + width and top <= y < top + height


def main():
    shot_path, left, top = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    resources = sys.argv[4] if len(sys.argv) > 4 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    layout = read_layout(os.path.join(resources, "Layout.h"))

    shot = Image.open(shot_path).convert("RGB")
    background = Image.open(os.path.join(resources, "background.png")).convert("RGBA")
    caption = Image.open(os.path.join(resources, "desc_logo.png")).convert("RGBA")
    logo = Image.open(os.path.join(resources, "logo.gif"))
    logo.seek(0)
    logo = logo.convert("RGBA")
    width, height = background.size

    problems = []
    counts = dict(cut=0, opaque=0, partial=0, logo_shown=0, logo_keyed=0, blended=0, text=0)

    def expect(x, y, wanted, what):
        got = shot.getpixel((left + x, top + y))
        if got != wanted:
            problems.append("(%d,%d) %s: %s, want %s" % (x, y, what, got, wanted))

    for y in range(height):
        for x in range(width):
            r, g, b, a = background.getpixel((x, y))
            under = (r, g, b)
            if inside(layout["logo"], x, y):
                lx, ly = x - layout["logo"][0], y - layout["logo"][1]
                lr, lg, lb, la = logo.getpixel((lx, ly))
                if la == 0 or (lr, lg, lb) == (0, 0, 0):  # its key colour
                    counts["logo_keyed"] += 1
                    expect(x, y, under, "LOGO, keyed")
                else:
                    counts["logo_shown"] += 1
                    expect(x, y, (lr, lg, lb), "LOGO")
            elif inside(layout["desc_logo"], x, y):
                cx, cy = x - layout["desc_logo"][0], y - layout["desc_logo"][1]
                cr, cg, cb, ca = caption.getpixel((cx, cy))
                counts["blended"] += 0 < ca < 255
                wanted = tuple((d * (255 - ca) + s * ca + 127) // 255
                               for d, s in zip(under, (cr, cg, cb)))
                expect(x, y, wanted, "DESC_LOGO, alpha %d" % ca)
            elif inside(layout["info"], x, y):
                got = shot.getpixel((left + x, top + y))
                if got == TEXT:
                    counts["text"] += 1
                elif got == under:
                    pass
                elif all(p >= q for p, q in zip(got, under)):
                    pass  # an anti-aliased edge of a glyph: lighter than the picture beneath
                else:
                    problems.append("(%d,%d) INFO: %s, neither the picture %s nor text"
                                    % (x, y, got, under))
            elif a == 0:
                counts["cut"] += 1
                expect(x, y, WHITE, "alpha 0, cut out")
            elif a == 255:
                counts["opaque"] += 1
                expect(x, y, under, "opaque background")
            else:
                counts["partial"] += 1
                if shot.getpixel((left + x, top + y)) == WHITE:
                    problems.append("(%d,%d) alpha %d: the white beneath shows" % (x, y, a))

    for x in range(-4, width + 4):
        for y in list(range(-4, 0)) + list(range(height, height + 4)):
            expect(x, y, WHITE, "outside the window")
    for y in range(0, height):
        for x in list(range(-4, 0)) + list(range(width, width + 4)):
            expect(x, y, WHITE, "outside the window")

    for name, minimum in (("cut", 10), ("partial", 10), ("logo_shown", 1000),
                          ("logo_keyed", 1000), ("blended", 50), ("text", 20)):
        if counts[name] < minimum:
            problems.append("only %d %s pixels" % (counts[name], name))

    summary = " ".join("%s=%d" % item for item in counts.items())
    if problems:
        print("%d problems (%s): %s" % (len(problems), summary, "; ".join(problems[:8])))
        return 1
    print("OK " + summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
