#!/usr/bin/env python3
"""Draws the program's icon, a CIR receiver with its infrared window and a
remote's signal arriving, as one 32 x 32 image of 16 colours (4 bits per pixel),
and writes it as an .ico file. Standard library only; the same script always
writes the same bytes.

Usage: make_icon.py [OUTPUT]   (default: setup.ico beside this script)
"""

import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, GREY, DARK_GREY, RED, WHITE, CYAN = 0, 1, 7, 8, 9, 15, 14
CLEAR = None  # transparent


def draw():
    """The picture as rows of palette indices (None: transparent), top row first."""
    px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    # Signal arcs coming from the upper right towards the receiver's window.
    centre = (13, 14)
    for radius, colour in ((7, RED), (11, DARK_RED), (15, RED)):
        for y in range(SIZE):
            for x in range(SIZE):
                dx, dy = x - centre[0], centre[1] - y
                if dx > 0 and dy > 0 and abs((dx * dx + dy * dy) ** 0.5 - radius) < 0.7:
                    px[y][x] = colour

    # The receiver: a rounded box with a shadow, standing on the lower half.
    rect(5, 14, 26, 27, BLACK)           # outline
    rect(6, 15, 25, 26, DARK_GREY)       # body
    rect(6, 15, 25, 16, GREY)            # top highlight
    for x, y in ((5, 14), (26, 14), (5, 27), (26, 27)):
        px[y][x] = CLEAR                 # rounded corners
    # The infrared window with its lens.
    rect(9, 18, 17, 24, BLACK)
    rect(10, 19, 16, 23, DARK_RED)
    rect(12, 20, 14, 22, RED)
    px[20][12] = WHITE                   # glint
    # Status light and cable.
    rect(21, 20, 22, 21, CYAN)
    rect(15, 28, 16, 31, BLACK)
    return px


def ico_bytes(px):
    """One-image .ico: directory, entry, BITMAPINFOHEADER, palette, XOR and AND masks."""
    xor_stride = SIZE // 2             # 4 bits per pixel, rows already a multiple of 4 bytes
    and_stride = 4                     # 1 bit per pixel, padded to 4 bytes
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):           # bottom-up, as in every DIB
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    assert len(xor) == xor_stride * SIZE and len(mask) == and_stride * SIZE
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "setup.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(draw()))


if __name__ == "__main__":
    main()
