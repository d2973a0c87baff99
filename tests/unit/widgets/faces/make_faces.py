#!/usr/bin/env python3
"""Writes the 20 x 20 test faces of the skinned-button tests (24-bit BMP):
body colour everywhere, a 4 x 4 block of the transparent red RGB(255,0,0) at (2,2) and a 4 x 4
block of the nearly-red RGB(254,0,0) at (10,2)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def face(path, body):
    w = h = 20
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            c = body
            if 2 <= y <= 5 and 2 <= x <= 5:
                c = (255, 0, 0)
            elif 2 <= y <= 5 and 10 <= x <= 13:
                c = (254, 0, 0)
            row += bytes((c[2], c[1], c[0]))
        row += b"\0" * ((-len(row)) % 4)
        rows.append(bytes(row))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 54 + len(bits), 0, 0, 54)
    with open(path, "wb") as f:
        f.write(head + info + bits)


face(os.path.join(HERE, "hover.bmp"), (0, 160, 0))
face(os.path.join(HERE, "normal.bmp"), (0, 0, 160))
