#!/usr/bin/env python3
"""Writes the rulers' two cursors: an arrow pointing down (top ruler) and one pointing right (left ruler)."""
import struct, sys

def arrow(down):
    # Black arrow with a white rim on a transparent 32 x 32 field; the hot spot is its tip.
    ink = set()
    for d in range(12):            # head: rows widening away from the tip
        for w in range(-d, d + 1):
            ink.add((15 + w, 20 - d + 11) if down else (20 - d + 11, 15 + w))
    for s in range(2, 16):         # shaft
        for w in (-2, -1, 0, 1, 2):
            ink.add((15 + w, s) if down else (s, 15 + w))
    rim = {(x + dx, y + dy) for (x, y) in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1)} - ink
    hot = (15, 31) if down else (31, 15)
    return ink, rim, hot

def cur(ink, rim, hot):
    xor_rows, and_rows = [], []
    for y in range(31, -1, -1):    # bottom-up
        xr = ar = 0
        for x in range(32):
            bit = 1 << (31 - x)
            if (x, y) in rim: xr |= bit        # white
            elif (x, y) not in ink: ar |= bit  # transparent
        xor_rows.append(struct.pack(">I", xr))
        and_rows.append(struct.pack(">I", ar))
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hot[0], hot[1], len(image), 22)
    return struct.pack("<HHH", 0, 2, 1) + entry + image

for name, down in (("cursor_down.cur", True), ("cursor_left.cur", False)):
    with open(name, "wb") as f:
        f.write(cur(*arrow(down)))
