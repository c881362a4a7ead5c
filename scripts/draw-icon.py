#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the application icon, an alarm clock, from one list of shapes.

Usage: scripts/draw-icon.py            write every icon file in its place in the checkout
       scripts/draw-icon.py --check    exit 1 if a file in the checkout differs from a new drawing

The window's own icon is 16 x 16 and 32 x 32 in 16 colours (src/app/icons). The desktop theme
gets those two, the same drawing anti-aliased at 48 to 256 pixels, and as an SVG (data/icons).
Needs nothing beyond Python's standard library.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
WINDOW_ICONS = "src/app/icons"
THEME_ICONS = "data/icons"
WINDOW_SIZES = (16, 32)
THEME_SIZES = (48, 64, 128, 256)

PALETTE = [
    (0, 0, 0),        # 0 transparent
    (20, 20, 20),     # 1 outline
    (190, 24, 24),    # 2 case red
    (235, 80, 70),    # 3 case highlight
    (250, 250, 245),  # 4 face
    (224, 176, 0),    # 5 bell gold
    (150, 110, 0),    # 6 bell shade
    (90, 90, 90),     # 7 legs
    (215, 215, 205),  # 8 halo: keeps the dark legs apart from a dark panel
]
PALETTE += [(0, 0, 0)] * (16 - len(PALETTE))

# The drawing in the unit square, painted in this order (later shapes cover earlier ones):
# ("circle", colour, cx, cy, r[, k]) fills a disc; with k only the part where (x-cx)+(y-cy) < k.
# ("stroke", colour, ax, ay, bx, by, half_width) is a line with round ends.
CX, CY, R = 0.5, 0.56, 0.38
HOUR_ANGLE = math.radians(-60)  # the hour hand points to ten o'clock, the minute hand to twelve
HALO = 0.025  # how far the halo reaches beyond the dark legs
DRAWING = [
    ("stroke", 6, 0.5, 0.18, 0.5, 0.1, 0.04),      # the knob on top
    ("stroke", 8, 0.3, 0.85, 0.18, 0.97, 0.045 + HALO),  # legs, each on its halo
    ("stroke", 8, 0.7, 0.85, 0.82, 0.97, 0.045 + HALO),
    ("stroke", 7, 0.3, 0.85, 0.18, 0.97, 0.045),
    ("stroke", 7, 0.7, 0.85, 0.82, 0.97, 0.045),
    ("circle", 6, 0.2, 0.2, 0.13),                 # bells with their shaded rims
    ("circle", 5, 0.2, 0.2, 0.10),
    ("circle", 6, 0.8, 0.2, 0.13),
    ("circle", 5, 0.8, 0.2, 0.10),
    ("circle", 1, CX, CY, R),                      # the case: outline, red, highlit top left
    ("circle", 2, CX, CY, R - 0.02),
    ("circle", 3, CX, CY, R - 0.02, -0.25),
    ("circle", 1, CX, CY, R - 0.06),
    ("circle", 4, CX, CY, R - 0.09),               # the face and its hands
    ("stroke", 1, CX, CY, CX + 0.16 * math.sin(HOUR_ANGLE), CY - 0.16 * math.cos(HOUR_ANGLE), 0.035),
    ("stroke", 1, CX, CY, CX, CY - 0.23, 0.03),
]

# The drawing is fitted into the canvas with the same margin at the bottom as at the top, so that
# no size cuts off the legs: scaled about the top centre.
MARGIN = 0.06


def extent(shape):
    """Top and bottom of a shape in the unit square."""
    if shape[0] == "circle":
        return shape[3] - shape[4], shape[3] + shape[4]
    ay, by, w = shape[3], shape[5], shape[6]
    return min(ay, by) - w, max(ay, by) + w


def fitted(shapes):
    top = min(extent(shape)[0] for shape in shapes)
    bottom = max(extent(shape)[1] for shape in shapes)
    scale = (1 - 2 * MARGIN) / (bottom - top)
    x = lambda v: 0.5 + (v - 0.5) * scale
    y = lambda v: MARGIN + (v - top) * scale
    result = []
    for shape in shapes:
        if shape[0] == "circle":
            result.append((shape[0], shape[1], x(shape[2]), y(shape[3]), shape[4] * scale, *
                           ((shape[5] * scale,) if len(shape) == 6 else ())))
        else:
            kind, colour, ax, ay, bx, by, w = shape
            result.append((kind, colour, x(ax), y(ay), x(bx), y(by), w * scale))
    return result


SHAPES = fitted(DRAWING)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def contains(shape, x, y):
    if shape[0] == "circle":
        cx, cy, r = shape[2:5]
        inside = math.hypot(x - cx, y - cy) < r
        return inside and (len(shape) == 5 or (x - cx) + (y - cy) < shape[5])
    ax, ay, bx, by, half_width = shape[2:]
    return segment_distance(x, y, ax, ay, bx, by) < half_width


def bounds(shape):
    """The shape's bounding box (left, top, right, bottom) in the unit square."""
    if shape[0] == "circle":
        cx, cy, r = shape[2:5]
        return cx - r, cy - r, cx + r, cy + r
    ax, ay, bx, by, w = shape[2:]
    return min(ax, bx) - w, min(ay, by) - w, max(ax, bx) + w, max(ay, by) + w


def sample_grid(size, samples):
    """For each pixel, its sample points and the shapes that may cover them, topmost first."""
    boxes = [bounds(shape) for shape in SHAPES]
    for py in range(size):
        for px in range(size):
            left, top, right, bottom = px / size, py / size, (px + 1) / size, (py + 1) / size
            candidates = [shape for shape, (l, t, r, b) in zip(SHAPES, boxes)
                          if l < right and r > left and t < bottom and b > top][::-1]
            points = [((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                      for sy in range(samples) for sx in range(samples)]
            yield candidates, points


def colour_at(candidates, x, y):
    for shape in candidates:
        if contains(shape, x, y):
            return shape[1]
    return 0


def render_indexed(size, samples=4):
    """One palette index a pixel: the colour most of its samples fall on."""
    pixels = []
    for candidates, points in sample_grid(size, samples):
        votes = [0] * 16
        for x, y in points:
            votes[colour_at(candidates, x, y)] += 1
        pixels.append(max(range(16), key=lambda i: votes[i]))
    return [pixels[row * size:(row + 1) * size] for row in range(size)]


def render_rgba(size, samples=4):
    """Anti-aliased: each pixel averages its samples, transparent ones included."""
    rows, row = [], bytearray()
    for candidates, points in sample_grid(size, samples):
        red = green = blue = covered = 0
        for x, y in points:
            index = colour_at(candidates, x, y)
            if index:
                r, g, b = PALETTE[index]
                red, green, blue, covered = red + r, green + g, blue + b, covered + 1
        if covered:
            row += bytes((round(red / covered), round(green / covered), round(blue / covered),
                          round(255 * covered / len(points))))
        else:
            row += bytes(4)
        if len(row) == 4 * size:
            rows.append(bytes(row))
            row = bytearray()
    return rows


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def indexed_png(rows):
    size = len(rows)
    raw = b""
    for row in rows:
        packed = bytes((row[i] << 4) | (row[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
        raw += b"\x00" + packed
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0))
            + png_chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
            + png_chunk(b"tRNS", b"\x00")
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


def rgba_png(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


def svg():
    """The same shapes as vectors, on a 256-unit canvas."""
    scale = 256

    def n(value):
        return f"{value * scale:.2f}".rstrip("0").rstrip(".")

    def colour(index):
        return "#%02x%02x%02x" % PALETTE[index]

    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- SPDX-License-Identifier: MIT -->",
             "<!-- Drawn by scripts/draw-icon.py: change the shapes there, not here. -->",
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
             "  <title>ALARM</title>"]
    for number, shape in enumerate(SHAPES):
        if shape[0] == "circle":
            cx, cy, r = shape[2:5]
            clip = ""
            if len(shape) == 6:
                # The half-plane (x-cx)+(y-cy) < k, as a triangle well beyond the disc.
                edge = cx + cy + shape[5]
                lines.append(f'  <clipPath id="part{number}"><polygon points="{n(-1)},{n(-1)} '
                             f'{n(edge + 1)},{n(-1)} {n(-1)},{n(edge + 1)}"/></clipPath>')
                clip = f' clip-path="url(#part{number})"'
            lines.append(f'  <circle cx="{n(cx)}" cy="{n(cy)}" r="{n(r)}" fill="{colour(shape[1])}"{clip}/>')
        else:
            ax, ay, bx, by, half_width = shape[2:]
            lines.append(f'  <line x1="{n(ax)}" y1="{n(ay)}" x2="{n(bx)}" y2="{n(by)}" '
                         f'stroke="{colour(shape[1])}" stroke-width="{n(2 * half_width)}" '
                         f'stroke-linecap="round"/>')
    lines.append("</svg>")
    return ("\n".join(lines) + "\n").encode()


def drawings():
    """Every icon file: its path in the checkout and its content."""
    for size in WINDOW_SIZES:
        yield f"{WINDOW_ICONS}/alarm-{size}.png", indexed_png(render_indexed(size))
    for size in THEME_SIZES:
        yield f"{THEME_ICONS}/alarm-{size}.png", rgba_png(render_rgba(size))
    yield f"{THEME_ICONS}/alarm.svg", svg()


def png_pixels(data):
    """Header and decompressed image data: zlib versions may pack the same pixels differently."""
    chunks, position = {}, 8
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        chunks[kind] = chunks.get(kind, b"") + data[position + 8:position + 8 + length]
        position += 12 + length
    image = chunks.get(b"IDAT")
    return [chunks.get(b"IHDR"), chunks.get(b"PLTE"), chunks.get(b"tRNS"), image and zlib.decompress(image)]


def same_drawing(path, wanted):
    try:
        with open(path, "rb") as existing:
            have = existing.read()
    except FileNotFoundError:
        return False
    if path.endswith(".png"):
        try:
            return png_pixels(have) == png_pixels(wanted)
        except (struct.error, zlib.error):
            return False
    return have == wanted


def main():
    check = sys.argv[1:] == ["--check"]
    if sys.argv[1:] and not check:
        print(__doc__, file=sys.stderr)
        return 2
    stale = []
    for name, content in drawings():
        path = os.path.join(ROOT, name)
        if check:
            if not same_drawing(path, content):
                stale.append(name)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(content)
    if stale:
        print("not drawn by scripts/draw-icon.py (run it and commit the result):", *stale, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
