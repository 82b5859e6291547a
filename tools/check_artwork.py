#!/usr/bin/python3
"""Checks the splash window's three pictures against what the program relies on.

Usage: /usr/bin/python3 tools/check_artwork.py [RESOURCES_DIR]   (default: resources/)

It reads the PNG and GIF bytes itself (chunks, image descriptors, LZW data), cross-checks the
decoded pixels with Pillow, and prints "artwork OK" or the first broken property and exits 1.
Rectangles and sizes come from resources/Layout.h, so the pictures cannot drift from the layout.
"""

import os
import re
import struct
import sys
import zlib

from PIL import Image

KEY_RGB = (254, 254, 254)  # the control layer's key colour: see-through wherever drawn
GIF_FRAMES = 38
GIF_TRANSPARENT = 255
EDGE = 6  # the background may be translucent only this close to its border
SPINNER_SQUARE = 28
SPINNER_TOP = 38
SPINNER_LEFTS = (68, 69)


class ArtworkError(Exception):
    pass


def require(condition, message):
    if not condition:
        raise ArtworkError(message)


def read_layout(path):
    """Window size and component rectangles, parsed from Layout.h."""
    with open(path, encoding="utf-8") as f:
        text = f.read()

    def number(name):
        m = re.search(r"\b%s\s*=\s*(\d+)\s*;" % name, text)
        require(m, "%s: no %s" % (path, name))
        return int(m.group(1))

    def rect(name):
        m = re.search(r"\b%s\{\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*\}" % name, text)
        require(m, "%s: no %s" % (path, name))
        return tuple(int(v) for v in m.groups())

    return {
        "window": (number("kWindowWidth"), number("kWindowHeight")),
        "logo": rect("kLogo"),
        "desc_logo": rect("kDescLogo"),
        "info": rect("kInfo"),
    }


# ---------------------------------------------------------------- PNG

def png_chunks(data, name):
    require(data[:8] == b"\x89PNG\r\n\x1a\n", "%s: not a PNG signature" % name)
    pos, chunks = 8, []
    while pos < len(data):
        require(pos + 8 <= len(data), "%s: truncated chunk header at %d" % (name, pos))
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        require(len(body) == length and pos + 12 + length <= len(data),
                "%s: truncated %r chunk" % (name, kind))
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        require(zlib.crc32(kind + body) == crc, "%s: bad CRC in %r chunk" % (name, kind))
        chunks.append((kind, body))
        pos += 12 + length
        if kind == b"IEND":
            break
    require(chunks and chunks[0][0] == b"IHDR", "%s: first chunk is not IHDR" % name)
    require(chunks[-1][0] == b"IEND", "%s: no IEND" % name)
    return chunks


def check_png_header(data, name, size):
    chunks = png_chunks(data, name)
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    require((width, height) == size, "%s: %dx%d, want %dx%d" % (name, width, height, *size))
    require(depth == 8, "%s: bit depth %d, want 8" % (name, depth))
    require(colour == 6, "%s: colour type %d, want 6 (RGBA)" % (name, colour))
    require(interlace == 0, "%s: interlaced" % name)
    kinds = {kind for kind, _ in chunks}
    require(not kinds & {b"tIME", b"tEXt", b"zTXt", b"iTXt"},
            "%s: has a time or text chunk, the bytes would not be reproducible" % name)


def load_rgba(path):
    with Image.open(path) as im:
        require(im.mode == "RGBA", "%s: Pillow reads mode %s" % (path, im.mode))
        return im.size, list(im.getdata())


def check_background(path, layout):
    with open(path, "rb") as f:
        check_png_header(f.read(), path, layout["window"])
    (w, h), pixels = load_rgba(path)
    partial = zero = False
    for y in range(h):
        for x in range(w):
            a = pixels[y * w + x][3]
            if min(x, y, w - 1 - x, h - 1 - y) >= EDGE:
                require(a == 255, "%s: alpha %d at (%d,%d), inside the opaque area" % (path, a, x, y))
            else:
                zero |= a == 0
                partial |= 0 < a < 255
    require(zero, "%s: no fully transparent pixel near the border" % path)
    require(partial, "%s: no partly transparent pixel near the border" % path)
    for name in ("logo", "desc_logo", "info"):
        left, top, rw, rh = layout[name]
        for y in range(top, top + rh):
            for x in range(left, left + rw):
                r, g, b, a = pixels[y * w + x]
                require(a == 255, "%s: alpha %d at (%d,%d) under %s" % (path, a, x, y, name))
                require((r, g, b) != KEY_RGB, "%s: key colour at (%d,%d) under %s" % (path, x, y, name))
    return pixels


def check_desc_logo(path, layout, background):
    left, top, rw, rh = layout["desc_logo"]
    with open(path, "rb") as f:
        check_png_header(f.read(), path, (rw, rh))
    _, pixels = load_rgba(path)
    alphas = {p[3] for p in pixels}
    require(0 in alphas and 255 in alphas and any(0 < a < 255 for a in alphas),
            "%s: wants transparent, opaque and anti-aliased pixels" % path)
    bw = layout["window"][0]
    for y in range(rh):
        for x in range(rw):
            *src, a = pixels[y * rw + x]
            dst = background[(top + y) * bw + left + x][:3]
            shown = tuple((d * (255 - a) + s * a + 127) // 255 for d, s in zip(dst, src))
            require(shown != KEY_RGB, "%s: blends to the key colour at (%d,%d)" % (path, x, y))


# ---------------------------------------------------------------- GIF

def gif_sub_blocks(data, pos, name):
    out = bytearray()
    while True:
        require(pos < len(data), "%s: truncated sub-blocks" % name)
        n = data[pos]
        pos += 1
        if n == 0:
            return bytes(out), pos
        require(pos + n <= len(data), "%s: truncated sub-block" % name)
        out += data[pos:pos + n]
        pos += n


def lzw_decode(code_stream, min_code_size, count, name):
    """Plain GIF LZW decoder, written from the GIF89a definition."""
    clear, eoi = 1 << min_code_size, (1 << min_code_size) + 1
    size = min_code_size + 1
    table = [bytes([i]) for i in range(clear)] + [b"", b""]
    out = bytearray()
    prev = None
    bitpos, nbits = 0, len(code_stream) * 8
    while True:
        require(bitpos + size <= nbits, "%s: LZW data ends without an end code" % name)
        code = 0
        for i in range(size):
            if code_stream[(bitpos + i) >> 3] >> ((bitpos + i) & 7) & 1:
                code |= 1 << i
        bitpos += size
        if code == clear:
            table = table[:clear + 2]
            size = min_code_size + 1
            prev = None
            continue
        if code == eoi:
            break
        if prev is None:
            require(code < clear, "%s: first code after clear is %d" % (name, code))
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            if len(table) < 4096:
                table.append(prev + entry[:1])
        else:
            require(code == len(table), "%s: LZW code %d out of range" % (name, code))
            entry = prev + prev[:1]
            table.append(entry)
        out += entry
        prev = entry
        if len(table) == (1 << size) and size < 12:
            size += 1
    require(len(out) == count, "%s: LZW gives %d pixels, want %d" % (name, len(out), count))
    return bytes(out)


def parse_gif(data, name):
    require(data[:6] == b"GIF89a", "%s: header is %r, want GIF89a" % (name, data[:6]))
    width, height, packed, _, _ = struct.unpack("<HHBBB", data[6:13])
    require(packed & 0x80, "%s: no global colour table" % name)
    require(packed & 7 == 7, "%s: global table size field %d, want 7" % (name, packed & 7))
    palette = [tuple(data[13 + 3 * i:16 + 3 * i]) for i in range(256)]
    require(len(data) >= 13 + 768, "%s: truncated colour table" % name)
    pos = 13 + 768
    gif = {"size": (width, height), "palette": palette, "loop": None, "frames": []}
    gce = None
    while True:
        require(pos < len(data), "%s: no trailer" % name)
        block = data[pos]
        if block == 0x3B:
            require(gce is None, "%s: control extension without an image" % name)
            break
        if block == 0x21:
            label = data[pos + 1]
            if label == 0xF9:
                require(data[pos + 2] == 4 and data[pos + 7] == 0, "%s: malformed control extension" % name)
                require(gce is None, "%s: two control extensions for one image" % name)
                flags, delay, index = struct.unpack("<BHB", data[pos + 3:pos + 7])
                gce = {"disposal": flags >> 2 & 7, "transparent": flags & 1, "delay": delay, "index": index}
                pos += 8
            elif label == 0xFF:
                require(data[pos + 2] == 11, "%s: malformed application extension" % name)
                ident = data[pos + 3:pos + 14]
                body, pos = gif_sub_blocks(data, pos + 14, name)
                if ident == b"NETSCAPE2.0":
                    require(len(body) == 3 and body[0] == 1, "%s: malformed NETSCAPE2.0 block" % name)
                    gif["loop"] = struct.unpack("<H", body[1:3])[0]
            else:
                _, pos = gif_sub_blocks(data, pos + 2, name)
            continue
        require(block == 0x2C, "%s: unexpected block 0x%02X at %d" % (name, block, pos))
        left, top, w, h, flags = struct.unpack("<HHHHB", data[pos + 1:pos + 10])
        index = len(gif["frames"])
        require(not flags & 0x80, "%s: frame %d has a local colour table" % (name, index))
        require(not flags & 0x40, "%s: frame %d is interlaced" % (name, index))
        min_code_size = data[pos + 10]
        require(min_code_size == 8, "%s: frame %d LZW minimum code size %d" % (name, index, min_code_size))
        stream, pos = gif_sub_blocks(data, pos + 11, name)
        pixels = lzw_decode(stream, min_code_size, w * h, "%s frame %d" % (name, index))
        require(gce is not None, "%s: frame %d has no graphic control extension" % (name, index))
        gif["frames"].append({"rect": (left, top, w, h), "gce": gce, "pixels": pixels})
        gce = None
    require(pos == len(data) - 1, "%s: bytes after the trailer" % name)
    return gif


def compose(gif):
    """Composites of every frame as the logo animation builds them: start from the key
    (transparent index), then each frame's non-transparent pixels replace what is there."""
    width, height = gif["size"]
    canvas = bytearray([GIF_TRANSPARENT]) * (width * height)
    out = []
    for frame in gif["frames"]:
        left, top, w, h = frame["rect"]
        pixels = frame["pixels"]
        for y in range(h):
            for x in range(w):
                p = pixels[y * w + x]
                if p != GIF_TRANSPARENT:
                    canvas[(top + y) * width + left + x] = p
        out.append(bytes(canvas))
    return out


def check_logo(path, layout):
    with open(path, "rb") as f:
        data = f.read()
    gif = parse_gif(data, path)
    width, height = layout["logo"][2:]
    require(gif["size"] == (width, height), "%s: screen %dx%d, want %dx%d" % (path, *gif["size"], width, height))
    palette = gif["palette"]
    require(palette[GIF_TRANSPARENT] == (0, 0, 0), "%s: entry 255 is %r, want black" % (path, palette[255]))
    for i, rgb in enumerate(palette[:GIF_TRANSPARENT]):
        require(rgb != (0, 0, 0), "%s: entry %d is black too" % (path, i))
        require(rgb != KEY_RGB, "%s: entry %d is the control layer's key colour" % (path, i))
    require(gif["loop"] == 0, "%s: loop count %r, want 0" % (path, gif["loop"]))
    frames = gif["frames"]
    require(len(frames) == GIF_FRAMES, "%s: %d frames, want %d" % (path, len(frames), GIF_FRAMES))
    for i, frame in enumerate(frames):
        gce = frame["gce"]
        require(gce["delay"] == 0, "%s: frame %d delay %d" % (path, i, gce["delay"]))
        require(gce["disposal"] == 1, "%s: frame %d disposal %d" % (path, i, gce["disposal"]))
        require(gce["transparent"] and gce["index"] == GIF_TRANSPARENT,
                "%s: frame %d transparency flag %d index %d" % (path, i, gce["transparent"], gce["index"]))
        left, top, w, h = frame["rect"]
        if i == 0:
            require(frame["rect"] == (0, 0, width, height), "%s: frame 0 at %r" % (path, frame["rect"]))
        else:
            require(left in SPINNER_LEFTS and top == SPINNER_TOP and 0 < w <= SPINNER_SQUARE
                    and 0 < h <= SPINNER_SQUARE, "%s: frame %d at %r" % (path, i, frame["rect"]))
    composites = compose(gif)
    for i in range(len(composites)):
        require(composites[i] != composites[i - 1], "%s: frame %d shows no change" % (path, i))

    # Pillow must read the same file the same way: frame count, size and pixels.
    with Image.open(path) as im:
        require(im.format == "GIF" and im.size == (width, height), "%s: Pillow reads %r" % (path, im.size))
        require(getattr(im, "n_frames", 1) == GIF_FRAMES, "%s: Pillow counts %d frames" % (path, im.n_frames))
        for i in range(GIF_FRAMES):
            im.seek(i)
            theirs = list(im.convert("RGB").getdata())
            mine = [palette[p] for p in composites[i]]
            require(theirs == mine, "%s: Pillow composes frame %d differently" % (path, i))
    return gif


def check(resources):
    layout = read_layout(os.path.join(resources, "Layout.h"))
    background = check_background(os.path.join(resources, "background.png"), layout)
    check_desc_logo(os.path.join(resources, "desc_logo.png"), layout, background)
    check_logo(os.path.join(resources, "logo.gif"), layout)


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    resources = argv[1] if len(argv) > 1 else os.path.join(root, "resources")
    try:
        check(resources)
    except (ArtworkError, OSError) as e:
        sys.stderr.write("artwork broken: %s\n" % e)
        return 1
    print("artwork OK")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
