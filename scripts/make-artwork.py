#!/usr/bin/env python3
"""Draws the installer's placeholder artwork: the 112 x 218 24-bit side bitmap
(resource 10) and the program icon. Run once; the results are committed."""
import struct, sys, os

def bmp24(width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):          # bottom-up rows
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header, bytes(data)

def side(x, y):
    # A plain frame colour at the top-left (drawn as the button face) around a
    # vertical blue gradient with a light plug shape.
    if x < 4 or y < 4 or x >= 108 or y >= 214:
        return (192, 192, 192)
    t = y / 218
    base = (int(30 + 40 * t), int(70 + 60 * t), int(160 + 60 * t))
    if 36 <= x < 76 and 80 <= y < 140:
        return (235, 240, 250)
    if (44 <= x < 52 or 60 <= x < 68) and 60 <= y < 80:
        return (235, 240, 250)
    if 52 <= x < 60 and 140 <= y < 180:
        return (235, 240, 250)
    return base

def icon(x, y):
    if 8 <= x < 24 and 10 <= y < 22:
        return (240, 240, 250)
    return (40, 90, 190)

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)) + "/../resources"
header, pixels = bmp24(112, 218, side)
with open(os.path.join(out, "side.bmp"), "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
    f.write(header + pixels)

# Icon: one 32 x 32 24-bit image; the height in its header counts the AND mask too.
size = 32
_, xor = bmp24(size, size, icon)
mask = b"\0" * (4 * size)                      # 32 bits per row, all opaque
ih = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(xor) + len(mask), 0, 0, 0, 0)
image = ih + xor + mask
with open(os.path.join(out, "installer.ico"), "wb") as f:
    f.write(struct.pack("<HHH", 0, 1, 1))
    f.write(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), 6 + 16))
    f.write(image)
