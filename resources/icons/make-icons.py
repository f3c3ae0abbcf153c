#!/usr/bin/env python3
"""Render Halcyone's icons: the Mandelbrot set in the program's own escape-time colours.

Writes halcyone-16.png, -32.png and -64.png as 16-colour indexed images (one palette chosen
from the render, entry 0 transparent) and halcyone-128.png and -256.png in full colour with
an alpha channel. Every size is rendered at its own size from supersampled points, never
scaled from another size, so the small icons stay clean instead of noisy.

Standard library only. Usage: make-icons.py [OUTPUT_FOLDER] (default: this script's folder).
"""

import math
import os
import struct
import sys
import zlib

# The program's colouring: the start colour that the window begins with.
START_COLOUR = (200, 100, 50)

# The view, per size: (centre re, centre im, half the side of the square). The whole set, a
# little zoomed so that it fills the tile; the tip of the antenna may leave the picture, the
# bulbs must not. The smallest sizes zoom in further, since there the body of the set is
# what makes the shape recognisable.
VIEWS = {
    16: (-0.56, 0.0, 1.10),
    32: (-0.59, 0.0, 1.18),
    64: (-0.62, 0.0, 1.26),
    128: (-0.62, 0.0, 1.28),
    256: (-0.62, 0.0, 1.28),
}

# Rounded-tile shape, as fractions of the icon's side.
CORNER_RADIUS = 0.19
# Width of the darker rim that keeps the tile readable on an orange or light background.
RIM_WIDTH = 0.035
RIM_DARKEN = 0.55

# Samples per pixel along each axis, by icon size: more for the small sizes, whose pixels
# each cover a large, busy part of the plane.
SUPERSAMPLING = {16: 12, 32: 10, 64: 8, 128: 5, 256: 3}

INDEXED_SIZES = (16, 32, 64)
FULL_COLOUR_SIZES = (128, 256)
PALETTE_SIZE = 16  # entry 0 is the transparent one


def escape_count(re, im):
    """Escape time of c counted down from 255; 0 inside the set (the program's own count)."""
    zr, zi = re, im
    n = 255
    while True:
        zr2 = zr * zr
        zi2 = zi * zi
        if zr2 + zi2 > 4.0:
            return n
        if n == 0:
            return 0
        n -= 1
        zi = 2.0 * zr * zi + im
        zr = zr2 - zi2 + re


def inside_known_bulb(re, im):
    """True for points of the main cardioid or the period-2 bulb (count 0 without iterating)."""
    q = (re - 0.25) ** 2 + im * im
    if q * (q + (re - 0.25)) <= 0.25 * im * im:
        return True
    return (re + 1.0) ** 2 + im * im <= 0.0625


def iteration_colour(count):
    """The program's colour of an escape count: black for 0, else the mod-255 colour cycle."""
    v = count & 0xFF
    if v == 0:
        return (0, 0, 0)
    r0, g0, b0 = START_COLOUR
    return ((25 * v + r0) % 255, (5 * v + g0) % 255, (3 * v + b0) % 255)


# Averaging happens in linear light so that thin bright filaments are not lost in the mean.
def to_linear(c):
    x = c / 255.0
    return x / 12.92 if x <= 0.04045 else ((x + 0.055) / 1.055) ** 2.4


def to_srgb(x):
    x = min(max(x, 0.0), 1.0)
    y = x * 12.92 if x <= 0.0031308 else 1.055 * x ** (1.0 / 2.4) - 0.055
    return int(round(y * 255.0))


LINEAR = [to_linear(c) for c in range(256)]
COUNT_LINEAR = [tuple(LINEAR[c] for c in iteration_colour(n)) for n in range(256)]


def tile_depth(px, py, size):
    """Signed distance of the pixel-space point (px, py) inward from the rounded tile's edge:
    positive inside, negative outside."""
    radius = CORNER_RADIUS * size
    qx = abs(px - size / 2.0) - (size / 2.0 - radius)
    qy = abs(py - size / 2.0) - (size / 2.0 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius
    return -outside


def render(size):
    """Supersampled render: rows of (r, g, b, alpha) with colour in linear light, 0..1."""
    ss = SUPERSAMPLING[size]
    centre_re, centre_im, half_span = VIEWS[size]
    span = 2.0 * half_span
    rim = max(RIM_WIDTH * size, 1.0)
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            r = g = b = 0.0
            covered = 0
            for sj in range(ss):
                py = j + (sj + 0.5) / ss
                im = centre_im - half_span + span * py / size
                for si in range(ss):
                    px = i + (si + 0.5) / ss
                    depth = tile_depth(px, py, size)
                    if depth < 0.0:
                        continue
                    re = centre_re - half_span + span * px / size
                    n = 0 if inside_known_bulb(re, im) else escape_count(re, im)
                    cr, cg, cb = COUNT_LINEAR[n]
                    if depth < rim:
                        cr *= RIM_DARKEN
                        cg *= RIM_DARKEN
                        cb *= RIM_DARKEN
                    r += cr
                    g += cg
                    b += cb
                    covered += 1
            if covered:
                row.append((r / covered, g / covered, b / covered, covered / (ss * ss)))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


def srgb_rows(rows):
    return [[(to_srgb(r), to_srgb(g), to_srgb(b), int(round(a * 255.0))) for r, g, b, a in row]
            for row in rows]


def choose_palette(images, count):
    """`count` colours for the opaque pixels of all images: k-means in sRGB from a
    deterministic start (the most frequent colours, spread apart), black always kept."""
    pixels = [p[:3] for rows in images for row in rows for p in row if p[3] >= 128]
    frequency = {}
    for p in pixels:
        key = (p[0] // 8, p[1] // 8, p[2] // 8)
        frequency[key] = frequency.get(key, 0) + 1
    centres = [(0.0, 0.0, 0.0)]
    for key, _ in sorted(frequency.items(), key=lambda kv: (-kv[1], kv[0])):
        candidate = tuple(k * 8 + 4.0 for k in key)
        if all(distance(candidate, c) > 24 * 24 for c in centres):
            centres.append(candidate)
        if len(centres) == count:
            break
    for _ in range(25):
        sums = [[0.0, 0.0, 0.0, 0] for _ in centres]
        for p in pixels:
            k = nearest(p, centres)
            s = sums[k]
            s[0] += p[0]
            s[1] += p[1]
            s[2] += p[2]
            s[3] += 1
        moved = [(s[0] / s[3], s[1] / s[3], s[2] / s[3]) if s[3] else c
                 for s, c in zip(sums, centres)]
        moved[0] = (0.0, 0.0, 0.0)
        if moved == centres:
            break
        centres = moved
    return [tuple(int(round(v)) for v in c) for c in centres]


def distance(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2


def nearest(p, colours):
    best, best_d = 0, None
    for k, c in enumerate(colours):
        d = distance(p, c)
        if best_d is None or d < best_d:
            best, best_d = k, d
    return best


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def write_png(path, width, height, colour_type, bit_depth, scanlines, extra_chunks=()):
    raw = b"".join(b"\x00" + line for line in scanlines)
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(png_chunk(b"IHDR", header))
        for kind, data in extra_chunks:
            f.write(png_chunk(kind, data))
        f.write(png_chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(png_chunk(b"IEND", b""))


def write_rgba(path, rows):
    lines = [bytes(v for p in row for v in p) for row in rows]
    write_png(path, len(rows[0]), len(rows), 6, 8, lines)


def write_indexed(path, rows, colours):
    """4-bit indexed PNG; palette entry 0 is transparent, entries 1.. are `colours`."""
    palette = [(0, 0, 0)] + colours
    lines = []
    for row in rows:
        indices = [0 if p[3] < 128 else 1 + nearest(p[:3], colours) for p in row]
        if len(indices) % 2:
            indices.append(0)
        lines.append(bytes((indices[k] << 4) | indices[k + 1] for k in range(0, len(indices), 2)))
    plte = b"".join(bytes(c) for c in palette)
    write_png(path, len(rows[0]), len(rows), 3, 4, lines,
              [(b"PLTE", plte), (b"tRNS", b"\x00")])


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    small = {size: srgb_rows(render(size)) for size in INDEXED_SIZES}
    colours = choose_palette(list(small.values()), PALETTE_SIZE - 1)
    for size, rows in small.items():
        write_indexed(os.path.join(folder, "halcyone-%d.png" % size), rows, colours)
    for size in FULL_COLOUR_SIZES:
        write_rgba(os.path.join(folder, "halcyone-%d.png" % size), srgb_rows(render(size)))


if __name__ == "__main__":
    main()
