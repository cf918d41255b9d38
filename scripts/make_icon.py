#!/usr/bin/env python3
"""Draws the application icon: a rounded blue square with a white downward arrow over a bar.

Writes resources/app.ico with 64, 48, 32, 24 and 16 pixel images, 32 bits per pixel
(BGRA with straight alpha and a matching AND mask). Edges are anti-aliased by supersampling.
Pure Python 3, no third-party modules.

    python3 scripts/make_icon.py [output.ico]
"""

import os
import struct
import sys

SIZES = (64, 48, 32, 24, 16)
SAMPLES = 8  # per axis and pixel

TOP_COLOUR = (0x4A, 0x9B, 0xEC)  # RGB at the top of the square
BOTTOM_COLOUR = (0x17, 0x5C, 0xC4)  # RGB at the bottom
ARROW_COLOUR = (0xFF, 0xFF, 0xFF)

# Geometry in units of the icon's side (0..1, y growing downwards).
MARGIN = 0.03
RADIUS = 0.22
SHAFT_HALF_WIDTH = 0.085
SHAFT_TOP = 0.17
HEAD_TOP = 0.44
HEAD_HALF_WIDTH = 0.25
HEAD_TIP = 0.70
BAR_TOP = 0.76
BAR_BOTTOM = 0.84
BAR_HALF_WIDTH = 0.27


def in_rounded_square(x, y):
    low, high = MARGIN + RADIUS, 1.0 - MARGIN - RADIUS
    if x < MARGIN or x > 1.0 - MARGIN or y < MARGIN or y > 1.0 - MARGIN:
        return False
    cx = min(max(x, low), high)
    cy = min(max(y, low), high)
    return (x - cx) ** 2 + (y - cy) ** 2 <= RADIUS**2


def in_arrow(x, y):
    dx = abs(x - 0.5)
    if SHAFT_TOP <= y <= HEAD_TOP + 0.01 and dx <= SHAFT_HALF_WIDTH:
        return True
    if HEAD_TOP <= y <= HEAD_TIP:
        # The head narrows linearly from its full width to the tip.
        return dx <= HEAD_HALF_WIDTH * (HEAD_TIP - y) / (HEAD_TIP - HEAD_TOP)
    return BAR_TOP <= y <= BAR_BOTTOM and dx <= BAR_HALF_WIDTH


def background_colour(y):
    t = min(max((y - MARGIN) / (1.0 - 2 * MARGIN), 0.0), 1.0)
    return tuple(top + (bottom - top) * t for top, bottom in zip(TOP_COLOUR, BOTTOM_COLOUR))


def render(size):
    """Returns rows top to bottom of (r, g, b, a) tuples with straight alpha."""
    rows = []
    step = 1.0 / (size * SAMPLES)
    total = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = alpha = 0.0
            for sy in range(SAMPLES):
                y = (py * SAMPLES + sy + 0.5) * step
                for sx in range(SAMPLES):
                    x = (px * SAMPLES + sx + 0.5) * step
                    if not in_rounded_square(x, y):
                        continue
                    colour = ARROW_COLOUR if in_arrow(x, y) else background_colour(y)
                    red += colour[0]
                    green += colour[1]
                    blue += colour[2]
                    alpha += 1.0
            if alpha == 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(red / alpha), round(green / alpha), round(blue / alpha),
                            round(255 * alpha / total)))
        rows.append(row)
    return rows


def encode_image(size, rows):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, then the 1-bit AND mask."""
    pixels = bytearray()
    for row in reversed(rows):
        for red, green, blue, alpha in row:
            pixels += bytes((blue, green, red, alpha))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for px, (_, _, _, alpha) in enumerate(row):
            if alpha == 0:
                line[px // 8] |= 0x80 >> (px % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def encode_icon(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images in the same order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = bytearray()
    data = bytearray()
    for size, image in images:
        side = size if size < 256 else 0
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        data += image
        offset += len(image)
    return directory + bytes(entries) + bytes(data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "app.ico")
    images = [(size, encode_image(size, render(size))) for size in SIZES]
    with open(output, "wb") as icon_file:
        icon_file.write(encode_icon(images))
    print("wrote", output)


if __name__ == "__main__":
    main()
