#!/usr/bin/python3
"""Draws the splash window's artwork: resources/background.png, desc_logo.png and logo.gif.

Usage: /usr/bin/python3 tools/make_artwork.py [--preview DIR]

Run it with Debian's Python (Pillow is python3-pil). The output is the same bytes on every run:
every shape is computed here with supersampling, the PNGs carry no time or text chunks, and the
GIF is written byte by byte (including its LZW data) so that its block structure is exactly what
the splash window's logo animation expects. The result is checked by tools/check_artwork.py.
With --preview it also writes window.png (the window as a user sees it on a grey desktop) and
spinner.png (a strip of animation phases) to DIR.

The look: a dark navy-to-indigo panel with rounded corners, a thin teal rim and a soft shadow;
the emblem is the icon's white V with its up-right arrow, holding a teal-to-indigo orb in which
a comet-like arc turns once per animation cycle.
"""

import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_artwork  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from gif_lzw import lzw_encode, sub_blocks  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RESOURCES = os.path.join(ROOT, "resources")
LAYOUT = check_artwork.read_layout(os.path.join(RESOURCES, "Layout.h"))
WIDTH, HEIGHT = LAYOUT["window"]
LOGO_X, LOGO_Y, LOGO_W, LOGO_H = LAYOUT["logo"]
DESC_X, DESC_Y, DESC_W, DESC_H = LAYOUT["desc_logo"]
INFO_RECT = LAYOUT["info"]

SUPERSAMPLE = 8
PHASES = check_artwork.GIF_FRAMES

# The icon's colours.
TEAL = (16, 170, 170)
INDIGO = (52, 40, 150)
WHITE = (255, 255, 255)

# Panel: a rounded rectangle inset from the picture's edge; outside it only a faint shadow.
PANEL_INSET = 2.0
PANEL_RADIUS = 12.0
PANEL_TOP = (20, 46, 68)
PANEL_BOTTOM = (15, 15, 42)
SHADOW = (2, 4, 12)
RIM = (96, 190, 204)

# Emblem, in logo coordinates.  The orb sits in the square the animation frames repaint.
ORB_LEFT = check_artwork.SPINNER_LEFTS[0]
ORB_SIZE = check_artwork.SPINNER_SQUARE
ORB_CX = ORB_LEFT + ORB_SIZE / 2.0
ORB_CY = check_artwork.SPINNER_TOP + ORB_SIZE / 2.0
ORB_R = ORB_SIZE / 2.0 - 0.5

V_APEX = (ORB_CX, 97.0)  # where the arms' centre lines meet; the bottom is cut flat there
V_TOP = 6.0
V_SPREAD = 58.0
V_STROKE = 15.0
ARROW_ARM_END = 0.70  # fraction of the arm where the right arm stops and the arrowhead starts
ARROW_LEN = 30.0
ARROW_HALF = 19.0
V_LEFT = WHITE
V_RIGHT = (214, 240, 248)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def to_bytes(c):
    return tuple(int(clamp(round(v), 0, 255)) for v in c)


def samples(px, py, n=SUPERSAMPLE):
    step = 1.0 / n
    for sy in range(n):
        for sx in range(n):
            yield px + (sx + 0.5) * step, py + (sy + 0.5) * step


# ---------------------------------------------------------------- emblem geometry

class Emblem:
    """The V: two straight strokes meeting at the apex, cut flat at top and bottom; the right
    arm ends early in an arrowhead pointing along it, up and to the right."""

    def __init__(self):
        ay = V_APEX[1]
        length = math.hypot(V_SPREAD, ay - V_TOP)
        self.length = length
        self.left = (-V_SPREAD / length, (V_TOP - ay) / length)
        self.right = (V_SPREAD / length, (V_TOP - ay) / length)
        self.right_end = length * ARROW_ARM_END

    def _local(self, x, y, d):
        dx, dy = x - V_APEX[0], y - V_APEX[1]
        return dx * d[0] + dy * d[1], -dx * d[1] + dy * d[0]

    def contains(self, x, y):
        if y > V_APEX[1]:
            return False
        along, across = self._local(x, y, self.left)
        half = V_STROKE / 2.0
        return (y >= V_TOP and along <= self.length + half and abs(across) <= half) or \
            self._in_right(x, y)

    def _in_right(self, x, y):
        along, across = self._local(x, y, self.right)
        if y >= V_TOP and along <= self.right_end and abs(across) <= V_STROKE / 2.0:
            return True
        t = along - self.right_end
        return 0.0 <= t <= ARROW_LEN and abs(across) <= ARROW_HALF * (1.0 - t / ARROW_LEN)

    def colour(self, x, y):
        # Flat colours like the icon, folded like a ribbon: the arrow arm lies over the left arm,
        # a shade cooler, and casts a faint shadow on it.
        if self._in_right(x, y):
            return V_RIGHT
        _, across = self._local(x, y, self.right)
        shadow = 1.0 - smoothstep(V_STROKE / 2.0, V_STROKE / 2.0 + 3.5, abs(across))
        return mix(V_LEFT, (150, 186, 208), 0.4 * shadow)


EMBLEM = Emblem()


def orb_sample(x, y, phase):
    """Colour of the orb at one sample point (logo coordinates), None outside it."""
    dx, dy = x - ORB_CX, y - ORB_CY
    r = math.hypot(dx, dy)
    if r > ORB_R:
        return None
    # Body: the icon's diagonal teal-to-indigo gradient, a little darker towards the rim.
    t = clamp((dx + dy) / (2.0 * ORB_R) + 0.5)
    c = mix(TEAL, INDIGO, t)
    c = mix(c, (18, 14, 60), 0.35 * smoothstep(6.0, ORB_R, r))
    # Thin light rim.
    c = mix(c, (150, 232, 236), 0.55 * smoothstep(ORB_R - 1.6, ORB_R - 0.4, r))
    # Groove the comet runs in.
    ring_r, ring_half = 8.2, 1.7
    groove = 1.0 - smoothstep(ring_half - 0.5, ring_half + 0.5, abs(r - ring_r))
    c = mix(c, (14, 18, 62), 0.45 * groove)
    # Comet: head at the phase's angle (clockwise from twelve o'clock), tail fading behind it.
    head = 2.0 * math.pi * phase / PHASES
    angle = math.atan2(dx, -dy) % (2.0 * math.pi)
    behind = (head - angle) % (2.0 * math.pi)
    tail = math.radians(250.0)
    if behind < tail:
        strength = (1.0 - behind / tail) ** 1.6 * groove
        c = mix(c, WHITE, strength)
    # Round head.
    hx, hy = ORB_CX + ring_r * math.sin(head), ORB_CY - ring_r * math.cos(head)
    if math.hypot(x - hx, y - hy) <= ring_half + 0.3:
        c = WHITE
    # Centre: a small pale up-arrow (the update), steady in every phase.
    ax, ay = dx, dy + 0.6
    if -3.9 <= ay <= 0.6 and abs(ax) <= 3.6 * (ay + 3.9) / 4.5:
        c = mix(c, (236, 250, 252), 0.95)
    elif 0.6 < ay <= 3.6 and abs(ax) <= 1.2:
        c = mix(c, (236, 250, 252), 0.95)
    return c


def coverage_colour(px, py, shade):
    """Supersampled colour of one pixel: shade(x, y) gives a colour or None (not covered).
    Returns (colour, coverage 0..1)."""
    acc = [0.0, 0.0, 0.0]
    hits = 0
    for x, y in samples(px, py):
        c = shade(x, y)
        if c is not None:
            hits += 1
            acc[0] += c[0]
            acc[1] += c[1]
            acc[2] += c[2]
    if not hits:
        return None, 0.0
    return tuple(v / hits for v in acc), hits / float(SUPERSAMPLE * SUPERSAMPLE)


# ---------------------------------------------------------------- background

def panel_distance(x, y):
    """Signed distance to the panel's rounded rectangle (negative inside)."""
    hx = WIDTH / 2.0 - PANEL_INSET
    hy = HEIGHT / 2.0 - PANEL_INSET
    qx = abs(x - WIDTH / 2.0) - (hx - PANEL_RADIUS)
    qy = abs(y - HEIGHT / 2.0) - (hy - PANEL_RADIUS)
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - PANEL_RADIUS


def emblem_glow():
    """A soft teal halo around the emblem, in window coordinates (L image, 0..255)."""
    mask = Image.new("L", (WIDTH, HEIGHT), 0)
    pix = mask.load()
    for ly in range(LOGO_H):
        for lx in range(LOGO_W):
            cx, cy = lx + 0.5, ly + 0.5
            inside = EMBLEM.contains(cx, cy) or math.hypot(cx - ORB_CX, cy - ORB_CY) <= ORB_R
            if inside:
                pix[LOGO_X + lx, LOGO_Y + ly] = 255
    return mask.filter(ImageFilter.GaussianBlur(7))


def panel_colour(x, y, glow):
    """Opaque panel colour at a pixel centre."""
    t = smoothstep(0.0, 1.0, 0.3 * x / WIDTH + 0.7 * y / HEIGHT)
    c = mix(PANEL_TOP, PANEL_BOTTOM, t)
    # Broad light behind the emblem.
    ex, ey = LOGO_X + ORB_CX + 6, LOGO_Y + ORB_CY - 4
    d = math.hypot((x - ex) / 1.25, y - ey)
    c = mix(c, (30, 96, 120), 0.42 * (1.0 - smoothstep(0.0, 125.0, d)) ** 2)
    # Faint concentric orbits around the orb, strongest near it.
    ring = (d / 15.0) % 1.0
    line = 1.0 - smoothstep(0.0, 0.09, min(ring, 1.0 - ring))
    c = mix(c, (70, 150, 170), 0.07 * line * (1.0 - smoothstep(30.0, 150.0, d)))
    # Tight halo hugging the emblem.
    c = mix(c, (40, 170, 190), 0.33 * glow / 255.0)
    # Soft sheen along the top edge.
    c = mix(c, (120, 170, 200), 0.10 * (1.0 - smoothstep(0.0, 44.0, y)))
    # A short divider between the caption and the status line, fading at both ends.
    if 191.0 <= y <= 192.0:
        fade = math.sin(math.pi * clamp((x - 50.0) / (WIDTH - 100.0)))
        c = mix(c, (70, 150, 170), 0.55 * fade ** 1.5)
    return c


def render_background():
    glow = emblem_glow().load()
    img = Image.new("RGBA", (WIDTH, HEIGHT))
    out = img.load()
    for py in range(HEIGHT):
        for px in range(WIDTH):
            inner = panel_colour(px + 0.5, py + 0.5, glow[px, py])
            d = panel_distance(px + 0.5, py + 0.5)
            if d < -3.0:
                out[px, py] = to_bytes(inner) + (255,)
                continue
            # Near the outline: supersample the edge, the rim line and the shadow outside.
            rim = mix(RIM, inner, 0.25 + 0.45 * py / HEIGHT)
            acc_c = [0.0, 0.0, 0.0]
            acc_a = 0.0
            for x, y in samples(px, py):
                sd = panel_distance(x, y)
                if sd <= 0.0:
                    a = 1.0
                    c = rim if sd > -1.0 else inner
                else:
                    a = 0.4 * (1.0 - clamp(sd / 3.0)) ** 2
                    c = SHADOW
                acc_a += a
                for i in range(3):
                    acc_c[i] += c[i] * a
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = acc_a / n
            a8 = int(round(alpha * 255))
            if a8 == 0:
                out[px, py] = (0, 0, 0, 0)
            else:
                out[px, py] = to_bytes(v / acc_a for v in acc_c) + (a8,)
    return img


# ---------------------------------------------------------------- caption

FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def font(name, size):
    path = os.path.join(FONT_DIR, name)
    if not os.path.exists(path):
        raise SystemExit("make_artwork: %s missing (fonts-dejavu-core, fonts-dejavu-extra)" % path)
    return ImageFont.truetype(path, size)


def render_desc_logo():
    """'VEYRA LAUNCHER': a bold white word and a light teal one, condensed and letter-spaced,
    drawn 4x larger and reduced so the edges are soft."""
    scale = 4
    size = 11 * scale
    parts = [("VEYRA", font("DejaVuSansCondensed-Bold.ttf", size), (236, 244, 250)),
             ("LAUNCHER", font("DejaVuSansCondensed.ttf", size), (122, 214, 220))]
    tracking = 0.9 * scale
    gap = 3.5 * scale
    # Lay the letters out one by one with extra tracking.
    glyphs, x = [], 0.0
    for i, (word, f, colour) in enumerate(parts):
        if i:
            x += gap
        for ch in word:
            glyphs.append((x, ch, f, colour))
            x += f.getlength(ch) + tracking
        x -= tracking
    width = x
    if width > (DESC_W - 2) * scale:
        raise SystemExit("make_artwork: the caption is %.1f px wide, more than fits" % (width / scale))
    big = Image.new("RGBA", (DESC_W * scale, DESC_H * scale), (0, 0, 0, 0))
    layer = Image.new("L", big.size, 0)
    colours = Image.new("RGB", big.size, (0, 0, 0))
    left = (DESC_W * scale - width) / 2.0
    draw_a = ImageDraw.Draw(layer)
    draw_c = ImageDraw.Draw(colours)
    # Capitals centred vertically, their top and bottom on whole pixels so they stay crisp.
    cap = parts[0][1].getbbox("V")
    cap_top = round((DESC_H * scale - (cap[3] - cap[1])) / (2.0 * scale)) * scale
    for gx, ch, f, colour in glyphs:
        pos = (round(left + gx), cap_top - cap[1])
        draw_a.text(pos, ch, font=f, fill=255)
        draw_c.text(pos, ch, font=f, fill=colour)
    big = colours.convert("RGBA")
    big.putalpha(layer)
    # Reduce with premultiplied averaging so the transparent surroundings do not darken edges.
    small = Image.new("RGBA", (DESC_W, DESC_H))
    src, dst = big.load(), small.load()
    for py in range(DESC_H):
        for px in range(DESC_W):
            acc = [0, 0, 0, 0]
            for sy in range(scale):
                for sx in range(scale):
                    r, g, b, a = src[px * scale + sx, py * scale + sy]
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3] == 0:
                dst[px, py] = (0, 0, 0, 0)
            else:
                a8 = int(round(acc[3] / (scale * scale)))
                dst[px, py] = tuple(int(round(v / acc[3])) for v in acc[:3]) + (a8,)
    return small


# ---------------------------------------------------------------- logo

def logo_pixel(lx, ly, phase, under):
    """The logo's colour at one pixel, pre-blended over the background picture's colour `under`
    (the logo is drawn keyed, not blended), or None where the background shows."""
    x, y = lx + 0.5, ly + 0.5

    def shade(sx, sy):
        c = orb_sample(sx, sy, phase)
        if c is not None:
            return c
        if EMBLEM.contains(sx, sy):
            return EMBLEM.colour(sx, sy)
        return None

    near_orb = math.hypot(x - ORB_CX, y - ORB_CY) <= ORB_R + 1.0
    if not near_orb and not any(EMBLEM.contains(cx, cy) for cx, cy in
                                ((x - 0.8, y - 0.8), (x + 0.8, y - 0.8), (x - 0.8, y + 0.8),
                                 (x + 0.8, y + 0.8), (x, y))):
        return None
    colour, cover = coverage_colour(lx, ly, shade)
    if cover == 0.0:
        return None
    return mix(under, colour, cover)


def orb_pixels(lx, ly):
    return math.hypot(lx + 0.5 - ORB_CX, ly + 0.5 - ORB_CY) <= ORB_R + 0.75


def render_logo_phases(background):
    """RGB rows per phase, None for see-through pixels. Phase 0 is the whole logo; the other
    phases only the orb's square (its pixels are all that change)."""
    bg = background.load()
    under = lambda lx, ly: bg[LOGO_X + lx, LOGO_Y + ly][:3]
    phases = []
    full = {}
    for ly in range(LOGO_H):
        for lx in range(LOGO_W):
            c = logo_pixel(lx, ly, 0, under(lx, ly))
            if c is not None:
                full[(lx, ly)] = c
    phases.append(full)
    for phase in range(1, PHASES):
        part = {}
        for ly in range(check_artwork.SPINNER_TOP, check_artwork.SPINNER_TOP + ORB_SIZE):
            for lx in range(ORB_LEFT, ORB_LEFT + ORB_SIZE):
                if orb_pixels(lx, ly):
                    c = logo_pixel(lx, ly, phase, under(lx, ly))
                    if c is not None:
                        part[(lx, ly)] = c
        phases.append(part)
    return phases


def distance2(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2


def quantise(colours, count):
    """At most `count` representative colours: farthest-point seeding (each new entry is the
    colour worst served so far), then a few rounds moving each entry to the middle of the
    colours it serves. It bounds the worst error rather than the mean, which keeps edges and
    small gradients free of stray colours. Deterministic: ties go to the first colour."""
    distinct = sorted(set(colours))
    if len(distinct) <= count:
        return distinct
    centres = [distinct[0]]
    nearest = [distance2(c, centres[0]) for c in distinct]
    while len(centres) < count:
        worst = max(range(len(distinct)), key=lambda i: (nearest[i], -i))
        new = distinct[worst]
        centres.append(new)
        for i, c in enumerate(distinct):
            d = distance2(c, new)
            if d < nearest[i]:
                nearest[i] = d
    for _ in range(3):
        groups = [[] for _ in centres]
        for c in distinct:
            groups[min(range(len(centres)), key=lambda k: distance2(c, centres[k]))].append(c)
        centres = [tuple((min(c[i] for c in g) + max(c[i] for c in g) + 1) // 2 for i in range(3))
                   if g else old for g, old in zip(groups, centres)]
    return sorted(set(centres))


def build_palette(phases):
    """At most 255 colours for every visible logo pixel; entry 255 is black (the key).
    Returns the 256 entries and a map from each visible colour to its index."""
    colours = [to_bytes(c) for part in phases for c in part.values()]
    entries = []
    for rgb in quantise(colours, 255):
        # Visible colours are never the key (black) nor the control layer's key colour.
        if rgb == (0, 0, 0):
            rgb = (1, 1, 2)
        if rgb == check_artwork.KEY_RGB:
            rgb = (255, 255, 255)
        if rgb not in entries:
            entries.append(rgb)
    index_of = {}
    for rgb in set(colours):
        index_of[rgb] = min(range(len(entries)), key=lambda k: (distance2(rgb, entries[k]), k))
    while len(entries) < 255:
        entries.append(entries[-1])  # unused; repeats a colour rather than add a black
    return entries + [(0, 0, 0)], index_of


def write_gif(phases, palette, index_of):
    out = bytearray(b"GIF89a")
    # Global table present, 8 bits of colour resolution, 256 entries; background index 255.
    out += struct.pack("<HHBBB", LOGO_W, LOGO_H, 0x80 | 0x70 | 0x07, 255, 0)
    for rgb in palette:
        out += bytes(rgb)
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"
    transparent = check_artwork.GIF_TRANSPARENT
    for i, part in enumerate(phases):
        if i == 0:
            left, top, w, h = 0, 0, LOGO_W, LOGO_H
        else:
            left, top, w, h = ORB_LEFT, check_artwork.SPINNER_TOP, ORB_SIZE, ORB_SIZE
        pixels = bytearray()
        for y in range(top, top + h):
            for x in range(left, left + w):
                c = part.get((x, y))
                pixels.append(transparent if c is None else index_of[to_bytes(c)])
        # Disposal 1 (leave in place), transparency flag, delay 0.
        out += b"\x21\xF9\x04" + struct.pack("<BHB", (1 << 2) | 1, 0, transparent) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", left, top, w, h, 0)
        out += b"\x08" + sub_blocks(lzw_encode(bytes(pixels), 8))
    out += b"\x3B"
    return bytes(out)


# ---------------------------------------------------------------- preview

def preview(directory, background, desc, gif_path):
    """The window as the program shows it: shape bitmap over a grey desktop, then the control
    layer's components: the logo keyed on black, the caption blended, the status text."""
    os.makedirs(directory, exist_ok=True)
    margin = 24
    desk = (128, 128, 128)
    img = Image.new("RGB", (WIDTH + 2 * margin, HEIGHT + 2 * margin), desk)
    pix = img.load()
    bg = background.load()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            r, g, b, a = bg[x, y]
            pm = [(v * a + 127) // 255 for v in (r, g, b)] if a < 255 else [r, g, b]
            pix[margin + x, margin + y] = tuple(p + (d * (255 - a)) // 255 for p, d in zip(pm, desk))
    with Image.open(gif_path) as gif:
        frames = []
        for i in range(gif.n_frames):
            gif.seek(i)
            frames.append(gif.convert("RGB"))
    logo = frames[0].load()
    for y in range(LOGO_H):
        for x in range(LOGO_W):
            if logo[x, y] != (0, 0, 0):
                pix[margin + LOGO_X + x, margin + LOGO_Y + y] = logo[x, y]
    d = desc.load()
    for y in range(DESC_H):
        for x in range(DESC_W):
            r, g, b, a = d[x, y]
            dst = pix[margin + DESC_X + x, margin + DESC_Y + y]
            pix[margin + DESC_X + x, margin + DESC_Y + y] = tuple(
                (dv * (255 - a) + sv * a + 127) // 255 for dv, sv in zip(dst, (r, g, b)))
    tahoma = "/usr/share/wine/fonts/tahoma.ttf"
    if os.path.exists(tahoma):
        f = ImageFont.truetype(tahoma, 11)
    else:
        f = font("DejaVuSans.ttf", 11)
    text = "Checking Launcher for update..."
    left, top, w, h = INFO_RECT
    tw = f.getlength(text)
    draw = ImageDraw.Draw(img)
    draw.text((margin + left + (w - tw) / 2.0, margin + top), text, font=f, fill=(255, 255, 198))
    window_path = os.path.join(directory, "window.png")
    img.save(window_path)
    img.resize((img.width * 2, img.height * 2), Image.NEAREST).save(
        os.path.join(directory, "window-2x.png"))
    # A strip of phases, enlarged, each keyed over the background like the window does.
    shown = list(range(0, PHASES, 4))
    cell = 40
    zoom = 4
    strip = Image.new("RGB", (len(shown) * cell * zoom, cell * zoom))
    for n, i in enumerate(shown):
        tile = Image.new("RGB", (cell, cell))
        tp = tile.load()
        fp = frames[i].load()
        ox, oy = ORB_LEFT - (cell - ORB_SIZE) // 2, check_artwork.SPINNER_TOP - (cell - ORB_SIZE) // 2
        for y in range(cell):
            for x in range(cell):
                c = fp[ox + x, oy + y]
                tp[x, y] = c if c != (0, 0, 0) else bg[LOGO_X + ox + x, LOGO_Y + oy + y][:3]
        strip.paste(tile.resize((cell * zoom, cell * zoom), Image.NEAREST), (n * cell * zoom, 0))
    strip.save(os.path.join(directory, "spinner.png"))
    return window_path


def main(argv):
    preview_dir = None
    if len(argv) == 3 and argv[1] == "--preview":
        preview_dir = argv[2]
    elif len(argv) != 1:
        sys.stderr.write("usage: make_artwork.py [--preview DIR]\n")
        return 2
    background = render_background()
    desc = render_desc_logo()
    phases = render_logo_phases(background)
    palette, index_of = build_palette(phases)
    gif = write_gif(phases, palette, index_of)
    background.save(os.path.join(RESOURCES, "background.png"), optimize=False, compress_level=9)
    desc.save(os.path.join(RESOURCES, "desc_logo.png"), optimize=False, compress_level=9)
    gif_path = os.path.join(RESOURCES, "logo.gif")
    with open(gif_path, "wb") as f:
        f.write(gif)
    if preview_dir:
        print("preview: %s" % preview(preview_dir, background, desc, gif_path))
    return check_artwork.main([argv[0], RESOURCES])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
