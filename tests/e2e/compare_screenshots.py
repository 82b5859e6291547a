#!/usr/bin/python3
"""Compares two screenshots inside and outside one rectangle.

Usage: /usr/bin/python3 compare_screenshots.py FIRST SECOND LEFT TOP WIDTH HEIGHT

Prints "inside=N outside=M": how many pixels differ inside the rectangle and outside it.
"""

import sys

from PIL import Image, ImageChops


def main():
    first = Image.open(sys.argv[1]).convert("RGB")
    second = Image.open(sys.argv[2]).convert("RGB")
    if first.size != second.size:
        sys.exit("sizes differ: %s and %s" % (first.size, second.size))
    left, top, width, height = (int(v) for v in sys.argv[3:7])
    box = (left, top, left + width, top + height)
    differing = ImageChops.difference(first, second).convert("L").point(lambda v: 255 if v else 0)
    total = differing.histogram()[255]
    inside = differing.crop(box).histogram()[255]
    print("inside=%d outside=%d" % (inside, total - inside))


if __name__ == "__main__":
    main()
