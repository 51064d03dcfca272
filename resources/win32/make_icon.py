#!/usr/bin/env python3
"""Draws scriblane.ico: 32x32, 24-bit, one image.

A pale screen with a band of blue "writing" across its middle and a pen
above it, in the program's default colours.
"""
import struct
import sys

SIZE = 32
BACK = (235, 247, 254)   # the default background colour
INK = (5, 87, 154)       # the default text colour
FRAME = (60, 60, 60)
PEN = (200, 60, 40)
CLEAR = None


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]
    # the screen: a framed rectangle
    for y in range(4, 28):
        for x in range(1, 31):
            edge = y in (4, 27) or x in (1, 30)
            px[y][x] = FRAME if edge else BACK
    # the written line: letters as bars of differing height
    x = 4
    for width, height in ((2, 7), (2, 5), (3, 7), (2, 4), (2, 7), (3, 5), (2, 6)):
        for yy in range(19 - height, 19):
            for xx in range(x, x + width):
                px[yy][xx] = INK
        x += width + 1
    # the pen, from top right going down-left to the end of the line
    for i in range(10):
        for t in (0, 1):
            yy, xx = 4 + i, 29 - i + t
            if 0 <= yy < SIZE and 0 <= xx < SIZE:
                px[yy][xx] = PEN
    px[14][20] = FRAME
    return px


def ico(px):
    rows = b""
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        for x in range(SIZE):
            c = px[y][x] or (0, 0, 0)
            rows += bytes((c[2], c[1], c[0]))
    mask = b""
    for y in range(SIZE - 1, -1, -1):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if px[y][x] is CLEAR else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, len(rows) + len(mask),
                         0, 0, 0, 0)
    image = header + rows + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "scriblane.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
