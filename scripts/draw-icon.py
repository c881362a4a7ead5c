#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the application icon, an alarm clock, as 16-colour PNGs (16x16 and 32x32).

Usage: scripts/draw-icon.py OUTPUT_DIR
Writes alarm-16.png and alarm-32.png. Needs nothing beyond Python's standard library.
"""
import math
import struct
import sys
import zlib

PALETTE = [
    (0, 0, 0),        # 0 transparent
    (20, 20, 20),     # 1 outline
    (190, 24, 24),    # 2 case red
    (235, 80, 70),    # 3 case highlight
    (250, 250, 245),  # 4 face
    (224, 176, 0),    # 5 bell gold
    (150, 110, 0),    # 6 bell shade
    (90, 90, 90),     # 7 legs
]
PALETTE += [(0, 0, 0)] * (16 - len(PALETTE))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def colour_at(x, y):
    """Colour index of the point (x, y) in the unit square, topmost shape first."""
    cx, cy, r = 0.5, 0.56, 0.38
    d = math.hypot(x - cx, y - cy)
    # hands: hour towards ten o'clock, minutes towards twelve
    hour_angle = math.radians(-60)
    hx, hy = cx + 0.16 * math.sin(hour_angle), cy - 0.16 * math.cos(hour_angle)
    if d < r - 0.09 and (segment_distance(x, y, cx, cy, hx, hy) < 0.035
                         or segment_distance(x, y, cx, cy, cx, cy - 0.23) < 0.03):
        return 1
    if d < r - 0.09:
        return 4
    if d < r - 0.06:
        return 1
    if d < r - 0.02:
        return 3 if (x - cx) + (y - cy) < -0.25 else 2
    if d < r:
        return 1
    for bx in (0.2, 0.8):
        bd = math.hypot(x - bx, y - 0.2)
        if bd < 0.13:
            return 5 if bd < 0.10 else 6
    if segment_distance(x, y, 0.3, 0.85, 0.18, 0.97) < 0.045 or \
            segment_distance(x, y, 0.7, 0.85, 0.82, 0.97) < 0.045:
        return 7
    if segment_distance(x, y, 0.5, 0.18, 0.5, 0.1) < 0.04:
        return 6
    return 0


def render(size, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            votes = [0] * 16
            for sy in range(samples):
                for sx in range(samples):
                    votes[colour_at((px + (sx + 0.5) / samples) / size,
                                    (py + (sy + 0.5) / samples) / size)] += 1
            row.append(max(range(16), key=lambda i: votes[i]))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b""
    for row in rows:
        packed = bytes((row[i] << 4) | (row[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
        raw += b"\x00" + packed

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
            + chunk(b"tRNS", b"\x00")
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    for size in (16, 32):
        with open(f"{out}/alarm-{size}.png", "wb") as f:
            f.write(png(render(size)))
