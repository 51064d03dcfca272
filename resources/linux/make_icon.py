#!/usr/bin/env python3
"""Draws Scriblane's 32 x 32 icon: a screen with a line of text written
across it. Run it to regenerate scriblane.png (standard library only), the
icon installed for the desktop. The window draws the same picture in
src/platform/linux/qt/qt_icon.cpp; a test keeps the two equal."""
import struct
import sys
import zlib

SIZE = 32
FRAME = (52, 58, 70, 255)
SCREEN = (235, 247, 254, 255)
TEXT = (5, 87, 154, 255)
BAND = (190, 222, 246, 255)
STAND = (120, 126, 138, 255)
CLEAR = (0, 0, 0, 0)


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, color):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = color

    rect(1, 3, 30, 24, FRAME)          # the monitor's casing
    rect(3, 5, 28, 22, SCREEN)         # its screen
    rect(3, 10, 28, 17, BAND)          # the written band across the middle
    # The "letters": strokes of a short word, ascenders taller.
    strokes = [(5, 11, 16), (6, 13, 16), (8, 13, 16), (9, 13, 16), (11, 11, 16),
               (13, 13, 16), (14, 13, 16), (16, 13, 16), (18, 11, 16), (19, 13, 16),
               (21, 13, 16), (22, 13, 16), (24, 11, 16), (25, 13, 16)]
    for x, top, bottom in strokes:
        rect(x, top, x, bottom, TEXT)
    for x in range(5, 26):             # cross strokes make it read as writing
        if px[13][x] == TEXT or px[13][x + 1] == TEXT:
            px[13][x] = TEXT
    rect(13, 25, 18, 27, STAND)        # neck
    rect(8, 28, 23, 29, STAND)         # foot
    return px


def png(px):
    raw = b"".join(b"\x00" + b"".join(struct.pack("4B", *c) for c in row) for row in px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "scriblane.png"
    with open(out, "wb") as f:
        f.write(png(draw()))
