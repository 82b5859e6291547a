#!/usr/bin/python3
"""Checks a screenshot of the splash window against its pictures.

Usage: /usr/bin/python3 check_splash_screenshot.py SCREENSHOT LEFT TOP [RESOURCES_DIR]

The window's top-left corner is at (LEFT, TOP) on the screenshot, over a white screen. Checked:
- where the background picture's alpha is 0, the white beneath shows (the window is cut out);
- where it is 255, outside the components, the picture's own pixel shows;
- where it is partial, the window shows, not the white beneath. Wine has no compositor: it shows
  the premultiplied colour unblended, so partial alpha is only checked as "on";
- LOGO: the composite of one frame of the animation (frame k drawn over frames 0 to k - 1), keyed:
  its transparent and black pixels show the background picture. The frame is named in the
  summary (logo_frame=K), so two screenshots tell whether the logo moved;
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


def logo_composites(path):
    """Each frame of the animation composed over the ones before it (Pillow composes GIF frames),
    as RGBA: alpha 0 where no frame has drawn."""
    gif = Image.open(path)
    frames = []
    for k in range(gif.n_frames):
        gif.seek(k)
        frames.append(gif.convert("RGBA"))
    return frames


def keyed_over(composite, under):
    """The composite over `under` with its key colour (black, and what no frame drew) left out."""
    mask = Image.new("L", composite.size, 0)
    mask.putdata([0 if a == 0 or (r, g, b) == (0, 0, 0) else 255
                  for r, g, b, a in composite.getdata()])
    return Image.composite(composite.convert("RGB"), under, mask)


def main():
    shot_path, left, top = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    resources = sys.argv[4] if len(sys.argv) > 4 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    layout = read_layout(os.path.join(resources, "Layout.h"))

    shot = Image.open(shot_path).convert("RGB")
    background = Image.open(os.path.join(resources, "background.png")).convert("RGBA")
    caption = Image.open(os.path.join(resources, "desc_logo.png")).convert("RGBA")
    logo_frames = logo_composites(os.path.join(resources, "logo.gif"))
    width, height = background.size

    problems = []
    counts = dict(cut=0, opaque=0, partial=0, logo_shown=0, logo_keyed=0, blended=0, text=0)

    def expect(x, y, wanted, what):
        got = shot.getpixel((left + x, top + y))
        if got != wanted:
            problems.append("(%d,%d) %s: %s, want %s" % (x, y, what, got, wanted))

    # LOGO: the frame whose composite the screenshot shows, or the closest one for the report.
    lleft, ltop, lwidth, lheight = layout["logo"]
    shown = shot.crop((left + lleft, top + ltop, left + lleft + lwidth, top + ltop + lheight))
    under_logo = background.crop((lleft, ltop, lleft + lwidth, ltop + lheight)).convert("RGB")
    best = None
    for k, composite in enumerate(logo_frames):
        wanted = keyed_over(composite, under_logo)
        differing = sum(1 for p, q in zip(shown.getdata(), wanted.getdata()) if p != q)
        if best is None or differing < best[1]:
            best = (k, differing, composite, wanted)
        if differing == 0:
            break
    k, differing, composite, wanted = best
    counts["logo_frame"] = k
    for ly in range(lheight):
        for lx in range(lwidth):
            lr, lg, lb, la = composite.getpixel((lx, ly))
            keyed = la == 0 or (lr, lg, lb) == (0, 0, 0)
            counts["logo_keyed" if keyed else "logo_shown"] += 1
            expect(lleft + lx, ltop + ly, wanted.getpixel((lx, ly)),
                   "LOGO frame %d%s" % (k, ", keyed" if keyed else ""))

    for y in range(height):
        for x in range(width):
            r, g, b, a = background.getpixel((x, y))
            under = (r, g, b)
            if inside(layout["logo"], x, y):
                pass
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
