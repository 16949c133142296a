#!/usr/bin/env python3
"""Generates the contents of the stand-in resource module "velmora.dll".

Pictures are written as uncompressed 32-bit DDS files (the texture loader reads them from
memory), meshes as text .x files, and a resource script that names every resource by the
numeric id the player asks for. Effect sources are taken as they are from effects/.

    make_resources.py OUT_DIR EFFECTS_DIR
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------------------
# Small helpers: value noise that tiles, colours, writing DDS.


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(a, b, x):
    t = clamp01((x - a) / (b - a))
    return t * t * (3 - 2 * t)


def lerp(a, b, t):
    return a + (b - a) * t


class TiledNoise:
    """Value noise on a grid of `cells` x `cells` lattice points that wraps around."""

    def __init__(self, cells, seed):
        self.cells = cells
        state = seed & 0xFFFFFFFF
        self.values = []
        for _ in range(cells * cells):
            # A fixed linear congruential sequence: the pictures are the same every build.
            state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
            self.values.append(state / 4294967296.0)

    def at(self, u, v):
        n = self.cells
        x = (u % 1.0) * n
        y = (v % 1.0) * n
        x0, y0 = int(x) % n, int(y) % n
        x1, y1 = (x0 + 1) % n, (y0 + 1) % n
        fx, fy = x - int(x), y - int(y)
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        a = lerp(self.values[y0 * n + x0], self.values[y0 * n + x1], fx)
        b = lerp(self.values[y1 * n + x0], self.values[y1 * n + x1], fx)
        return lerp(a, b, fy)


def fractal(octaves, u, v):
    total, weight, amp = 0.0, 0.0, 1.0
    for noise in octaves:
        total += noise.at(u, v) * amp
        weight += amp
        amp *= 0.5
    return total / weight


def make_octaves(base_cells, count, seed):
    return [TiledNoise(base_cells << i, seed + 97 * i) for i in range(count)]


def dds_bytes(width, height, pixel):
    """pixel(x, y) -> (r, g, b, a) floats in 0..1. Uncompressed A8R8G8B8, one level."""
    header = struct.pack(
        "<4sIIIIIII44xIIIIIIIII16x",
        b"DDS ", 124,
        0x1 | 0x2 | 0x4 | 0x8 | 0x1000,  # caps, height, width, pitch, pixel format
        height, width, width * 4, 0, 0,
        32, 0x41, 0, 32,  # pixel format: size, RGB | alpha pixels, no four-cc, 32 bits
        0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000,
        0x1000)  # caps: texture
    data = bytearray(width * height * 4)
    i = 0
    for y in range(height):
        for x in range(width):
            r, g, b, a = pixel(x, y)
            data[i] = int(clamp01(b) * 255 + 0.5)
            data[i + 1] = int(clamp01(g) * 255 + 0.5)
            data[i + 2] = int(clamp01(r) * 255 + 0.5)
            data[i + 3] = int(clamp01(a) * 255 + 0.5)
            i += 4
    return header + bytes(data)


def write_dds(path, width, height, pixel):
    with open(path, "wb") as f:
        f.write(dds_bytes(width, height, pixel))


# ---------------------------------------------------------------------------------------
# Pictures.


def picture_landscape(path):
    """Id 5: the default slide picture, a landscape: sky, sun, hills and a lake."""
    w, h = 512, 384
    noise = make_octaves(8, 4, 5)

    def pixel(x, y):
        u, v = x / w, y / h
        hill = 0.55 + 0.06 * math.sin(u * 6.0 + 1.0) + 0.03 * math.sin(u * 17.0)
        if v < hill:
            t = v / hill
            r, g, b = lerp(0.20, 0.85, t), lerp(0.35, 0.80, t), lerp(0.75, 0.90, t)
            d = math.hypot(u - 0.72, (v - 0.22) * h / w)
            sun = 1.0 - smoothstep(0.035, 0.05, d)
            glow = 0.35 * (1.0 - smoothstep(0.0, 0.25, d))
            r, g, b = lerp(r, 1.0, sun) + glow, lerp(g, 0.95, sun) + glow * 0.8, lerp(b, 0.7, sun)
            cloud = smoothstep(0.55, 0.8, fractal(noise, u * 2.0, v * 4.0)) * (1.0 - t)
            return (lerp(r, 1, cloud), lerp(g, 1, cloud), lerp(b, 1, cloud), 1.0)
        if v < 0.78:
            n = fractal(noise, u * 4.0, v * 4.0)
            shade = 0.6 + 0.5 * n - 0.3 * (v - hill) / (0.78 - hill)
            return (0.18 * shade, 0.45 * shade, 0.15 * shade, 1.0)
        # The lake mirrors the sky, darker toward the shore.
        n = fractal(noise, u * 8.0, v * 32.0)
        t = (v - 0.78) / 0.22
        return (lerp(0.30, 0.10, t) + 0.08 * n, lerp(0.45, 0.20, t) + 0.08 * n, lerp(0.75, 0.45, t), 1.0)

    write_dds(path, w, h, pixel)


def picture_border(path):
    """Id 6: a dark, slightly mottled texture (border quads, the butterfly's body)."""
    noise = make_octaves(4, 4, 6)

    def pixel(x, y):
        n = fractal(noise, x / 128.0, y / 128.0)
        return (0.18 + 0.15 * n, 0.14 + 0.12 * n, 0.12 + 0.10 * n, 1.0)

    write_dds(path, 128, 128, pixel)


def picture_flames(path, seed, w, h):
    """Id 7: flame tongues rising from the bottom; alpha is the flame."""
    noise = make_octaves(4, 3, seed)

    def pixel(x, y):
        u, v = x / w, y / h
        height = 0.45 + 0.45 * fractal(noise, u, 0.3)
        rise = 1.0 - v  # 0 at the bottom edge
        body = 1.0 - smoothstep(height * 0.6, height, rise)
        flicker = 0.7 + 0.3 * fractal(noise, u * 2.0, v * 2.0)
        a = clamp01(body * flicker)
        return (1.0, lerp(0.3, 0.95, a), lerp(0.0, 0.6, a * a), a)

    write_dds(path, w, h, pixel)


def picture_fire_tongues(path, seed, w, h, tongues):
    """Id 93: a row of `tongues` flame tongues rising from the bottom, one centred in each
    equal cell across, so that any whole number of cells repeats without a seam and a
    region showing whole cells has no flame at its sides. Each tongue has its own height
    (0.6 to 0.95 of the picture), narrows to its tip, sways a little as it rises and thins
    toward its tip; alpha is the flame."""
    noise = make_octaves(4, 3, seed)
    # Heights spread over the range in a fixed order, so neighbours differ.
    heights = [0.6 + 0.35 * ((i * 5 + seed) % tongues) / max(tongues - 1, 1) for i in range(tongues)]

    def pixel(x, y):
        u, v = (x + 0.5) / w, (y + 0.5) / h
        rise = 1.0 - v  # 0 at the bottom edge
        cell = u * tongues
        index = int(cell) % tongues
        f = cell - int(cell)
        key = (index + 0.5) / tongues
        height = heights[index]
        t = rise / height  # 0 at the foot of the tongue, 1 at its tip
        if t >= 1.0:
            return (1.0, 0.3, 0.0, 0.0)
        centre = 0.5 + 0.24 * (fractal(noise, key, 0.2 + rise * 1.5) - 0.5) * rise
        half = 0.5 * (1.0 - t ** 1.5)
        d = abs(f - centre) / max(half, 1e-3)
        body = 1.0 - smoothstep(0.55, 1.0, d)
        # Full at the foot, thinning toward the tip: the fire reddens as it rises.
        a = clamp01(body * (1.0 - smoothstep(0.2, 1.0, t)))
        return (1.0, lerp(0.3, 0.95, a), lerp(0.0, 0.6, a * a), a)

    write_dds(path, w, h, pixel)


def picture_noise(path, seed, cells, size):
    """Id 8 (fire noise) and the like: tileable grey value noise."""
    noise = make_octaves(cells, 4, seed)

    def pixel(x, y):
        n = fractal(noise, x / size, y / size)
        return (n, n, n, 1.0)

    write_dds(path, size, size, pixel)


def picture_bump_noise(path):
    """Id 62: a tileable two-channel noise for the hot-air distortion (red and green)."""
    nx = make_octaves(4, 3, 62)
    ny = make_octaves(4, 3, 620)

    def pixel(x, y):
        u, v = x / 128.0, y / 128.0
        return (fractal(nx, u, v), fractal(ny, u, v), 0.5, 1.0)

    write_dds(path, 128, 128, pixel)


# Our own 5 x 7 glyph shapes for the falling-code layer (digits and a few signs).
GLYPHS = [
    ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    ["11111", "00100", "11111", "00100", "01010", "10001", "10001"],
]


def picture_glyph_strip(path):
    """Id 40: a vertical strip of square 32 x 32 glyphs, white on transparent."""
    cell = 32

    def pixel(x, y):
        glyph = GLYPHS[y // cell]
        gx, gy = (x - 3) // 5, (y % cell - 2) // 4  # 5 x 7 cells of 5 x 4 pixels
        on = 0 <= gx < 5 and 0 <= gy < 7 and glyph[gy][gx] == "1"
        return (1.0, 1.0, 1.0, 1.0 if on else 0.0)

    write_dds(path, cell, cell * len(GLYPHS), pixel)


def picture_ball_highlight(path):
    """Id 58: the glass ball's highlight, a soft white spot upper left."""

    def pixel(x, y):
        u, v = x / 256.0, y / 256.0
        d = math.hypot(u - 0.33, v - 0.28)
        spot = math.exp(-(d / 0.09) ** 2)
        return (1.0, 1.0, 1.0, 0.85 * spot)

    write_dds(path, 256, 256, pixel)


def picture_ball_rim(path):
    """Id 59: the ball's darker rim, transparent in the middle and outside the ball."""

    def pixel(x, y):
        d = math.hypot(x / 256.0 - 0.5, y / 256.0 - 0.5)
        a = smoothstep(0.30, 0.49, d) * (1.0 - smoothstep(0.49, 0.5, d)) * 0.7
        return (0.05, 0.10, 0.20, a)

    write_dds(path, 256, 256, pixel)


def picture_ball_stand(path):
    """Id 60: a shadow under the ball, a soft dark ellipse."""

    def pixel(x, y):
        u, v = x / 256.0 - 0.5, y / 128.0 - 0.5
        d = math.hypot(u / 0.45, v / 0.35)
        return (0.0, 0.0, 0.0, 0.6 * (1.0 - smoothstep(0.5, 1.0, d)))

    write_dds(path, 256, 128, pixel)


def picture_dial(path):
    """Id 71: the clock's face: a light disc with a ring, twelve marks and a hub."""
    size = 256

    def pixel(x, y):
        u, v = (x + 0.5) / size - 0.5, (y + 0.5) / size - 0.5
        r = math.hypot(u, v)
        if r > 0.5:
            return (0, 0, 0, 0.0)
        edge = 1.0 - smoothstep(0.49, 0.5, r)
        colour = (0.95, 0.93, 0.85)
        if r > 0.46:
            colour = (0.25, 0.2, 0.15)  # ring
        else:
            angle = math.degrees(math.atan2(u, -v)) % 360.0
            nearest = round(angle / 30.0) * 30.0
            off = abs(angle - nearest) * math.pi / 180.0 * r
            hour = 0.36 < r < 0.44 and off < (0.014 if int(nearest) % 90 == 0 else 0.008)
            minute_angle = round(angle / 6.0) * 6.0
            minute = 0.41 < r < 0.44 and abs(angle - minute_angle) * math.pi / 180.0 * r < 0.003
            if hour or minute or r < 0.025:
                colour = (0.1, 0.1, 0.1)
        return (colour[0], colour[1], colour[2], edge)

    write_dds(path, size, size, pixel)


def picture_hands(path):
    """Id 72: one clock hand, dark, broad at its root (bottom) and pointed at its tip."""
    w, h = 64, 256

    def pixel(x, y):
        u, v = (x + 0.5) / w, (y + 0.5) / h
        half = 0.5 * (0.25 + 0.75 * v)  # the width grows toward the root
        a = 1.0 - smoothstep(half - 0.06, half, abs(u - 0.5))
        return (0.08, 0.08, 0.1, a)

    write_dds(path, w, h, pixel)


def picture_normals(path):
    """Id 89: a tileable normal map of water ripples (xyz * 0.5 + 0.5 in red, green, blue)."""
    size = 256
    waves = [(3, 1, 0.0, 1.0), (1, 4, 1.3, 0.7), (5, -2, 2.1, 0.45), (-2, 7, 0.4, 0.3)]

    def height_slope(u, v):
        dx = dy = 0.0
        for kx, ky, phase, amp in waves:
            c = math.cos(2 * math.pi * (kx * u + ky * v) + phase) * amp * 2 * math.pi
            dx += c * kx
            dy += c * ky
        return dx, dy

    def pixel(x, y):
        dx, dy = height_slope(x / size, y / size)
        nx, ny, nz = -dx * 0.012, -dy * 0.012, 1.0
        k = 1.0 / math.sqrt(nx * nx + ny * ny + nz * nz)
        return (nx * k * 0.5 + 0.5, ny * k * 0.5 + 0.5, nz * k * 0.5 + 0.5, 1.0)

    write_dds(path, size, size, pixel)


def picture_bolt(path, core, glow, jagged):
    """Ids 95 and 98: one discharge segment, running along u. The outer 0.195 of u at each
    end is a rounded cap; the upper and lower halves of v hold two variants of the line."""
    w, h = 128, 64
    noise = make_octaves(4, 2, 95 if jagged else 98)

    def pixel(x, y):
        u = (x + 0.5) / w
        half = 0 if y < h // 2 else 1
        v = ((y % (h // 2)) + 0.5) / (h // 2)
        wobble = (fractal(noise, u, 0.25 + half * 0.5) - 0.5) * (0.35 if half else 0.15)
        d = abs(v - 0.5 - wobble)
        cap = min(smoothstep(0.0, 0.195, u), smoothstep(0.0, 0.195, 1.0 - u))
        width = 0.05 + 0.08 * cap
        line = 1.0 - smoothstep(width * 0.5, width, d)
        halo = math.exp(-(d / (0.18 * cap + 0.02)) ** 2) * 0.6
        a = clamp01(max(line, halo) * (0.3 + 0.7 * cap))
        r = lerp(glow[0], core[0], line)
        g = lerp(glow[1], core[1], line)
        b = lerp(glow[2], core[2], line)
        return (r, g, b, a)

    write_dds(path, w, h, pixel)


def picture_sound(path):
    """Id 2016: the preview picture of sound objects, a loudspeaker with sound arcs."""
    size = 64

    def pixel(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        dv = abs(v - 0.5)
        box = 0.15 < u < 0.32 and dv < 0.12
        cone = 0.32 <= u < 0.52 and dv < 0.12 + (u - 0.32) * 1.2
        r = math.hypot(u - 0.5, v - 0.5)
        arcs = u > 0.58 and dv < (u - 0.5) * 1.1 and any(abs(r - k) < 0.025 for k in (0.18, 0.28, 0.38))
        if box or cone:
            return (0.2, 0.22, 0.25, 1.0)
        if arcs:
            return (0.15, 0.45, 0.85, 1.0)
        return (0.0, 0.0, 0.0, 0.0)

    write_dds(path, size, size, pixel)


# ---------------------------------------------------------------------------------------
# Stored texture sets: u32 count and that many float frame delays (seconds), then u32
# count and that many resource records (u32 id, module name, u32 size and bytes, name),
# strings in the document's format. Each frame here carries its picture's bytes.


def document_string(text):
    units = text.encode("utf-16-le")
    assert len(text) < 255
    return b"\xff\xfe\xff" + bytes([len(text)]) + units


def resource_record(resource_id, module, data, name):
    return (struct.pack("<I", resource_id) + document_string(module) + struct.pack("<I", len(data)) + data
            + document_string(name))


def texture_set(delays, frames):
    """frames: (name, picture bytes) in order."""
    out = struct.pack("<I", len(delays)) + b"".join(struct.pack("<f", d) for d in delays)
    out += struct.pack("<I", len(frames))
    return out + b"".join(resource_record(0, "", data, name) for name, data in frames)


def set_solid_frames(path):
    """Id 120: three frames of solid colours (red, green, blue) shown for 0.25, 0.5 and
    0.75 s: an animated sprite image whose frame is told by its colour."""
    colours = [(1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)]
    frames = [("frame%d.dds" % i, dds_bytes(32, 32, lambda x, y, c=c: (c[0], c[1], c[2], 1.0)))
              for i, c in enumerate(colours)]
    with open(path, "wb") as f:
        f.write(texture_set([0.25, 0.5, 0.75], frames))



# The letters of the animated-font word "HELLO", on the 5 x 7 grid of GLYPHS.
FONT_LETTERS = {
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
}
FONT_LETTER_SIZE = 64  # each frame is 64 x 64; the glyph's cells are 8 x 8 from (12, 4)
FONT_LETTER_CELL, FONT_LETTER_LEFT, FONT_LETTER_TOP = 8, 12, 4


def font_letter_frame(rows, band):
    """A gold letter with a soft dark rim on transparent, and a bright diagonal band at
    `band` (0 top left to 1 bottom right; None for the plain letter)."""
    size, cell, left, top = FONT_LETTER_SIZE, FONT_LETTER_CELL, FONT_LETTER_LEFT, FONT_LETTER_TOP

    def on(x, y):
        gx, gy = (x - left) // cell, (y - top) // cell
        return 0 <= gx < 5 and 0 <= gy < 7 and x >= left and y >= top and rows[gy][gx] == "1"

    def pixel(x, y):
        if on(x, y):
            v = (y - top) / (7.0 * cell)
            r, g, b = 1.0, lerp(0.88, 0.55, v), lerp(0.45, 0.12, v)
            if band is not None:
                u = ((x - left) / (5.0 * cell) + v) / 2.0
                shine = math.exp(-((u - band) / 0.09) ** 2)
                r, g, b = r, g + 0.5 * shine, b + 0.8 * shine
            return (r, g, b, 1.0)
        if any(on(x + dx, y + dy) for dx, dy in ((-2, 0), (2, 0), (0, -2), (0, 2), (-1, -1), (1, 1), (-1, 1), (1, -1))):
            return (0.12, 0.05, 0.0, 0.55)
        return (0.0, 0.0, 0.0, 0.0)

    return dds_bytes(size, size, pixel)


def set_font_letter(letter, rest):
    """A letter of the animated font: the plain letter for `rest` seconds, then a shimmer
    that sweeps across it in three frames of 0.1 s."""
    def make(path):
        rows = FONT_LETTERS[letter]
        bands = [None, 0.2, 0.5, 0.8]
        frames = [("%s%d.dds" % (letter, i), font_letter_frame(rows, band)) for i, band in enumerate(bands)]
        with open(path, "wb") as f:
            f.write(texture_set([rest, 0.1, 0.1, 0.1], frames))
    return make


# ---------------------------------------------------------------------------------------
# Meshes as text .x files: one Mesh with texture coordinates (the loader computes the
# normals and the bounding sphere itself).


def write_x(path, name, vertices, uvs, faces):
    lines = ["xof 0303txt 0032", "", "Mesh %s {" % name, " %d;" % len(vertices)]
    for i, (x, y, z) in enumerate(vertices):
        end = ";;" if i == len(vertices) - 1 else ";,"
        lines.append(" %.5f;%.5f;%.5f%s" % (x, y, z, end))
    lines.append(" %d;" % len(faces))
    for i, (a, b, c) in enumerate(faces):
        end = ";;" if i == len(faces) - 1 else ";,"
        lines.append(" 3;%d,%d,%d%s" % (a, b, c, end))
    lines.append(" MeshTextureCoords {")
    lines.append("  %d;" % len(uvs))
    for i, (u, v) in enumerate(uvs):
        end = ";;" if i == len(uvs) - 1 else ";,"
        lines.append("  %.5f;%.5f%s" % (u, v, end))
    lines.append(" }")
    lines.append("}")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def mesh_butterfly_body(path):
    """Id 68: the body, a slim spindle along z (head at +z), 56 units long."""
    rings, sides = 12, 8
    vertices, uvs, faces = [], [], []
    for i in range(rings + 1):
        t = i / rings
        z = -28.0 + 56.0 * t
        radius = 4.0 * math.sin(math.pi * t) ** 0.7 + 0.3
        for j in range(sides + 1):
            a = 2 * math.pi * j / sides
            vertices.append((radius * math.cos(a), radius * math.sin(a), z))
            uvs.append((j / sides, 1.0 - t))
    for i in range(rings):
        for j in range(sides):
            a = i * (sides + 1) + j
            b = a + sides + 1
            faces.append((a, b, a + 1))
            faces.append((a + 1, b, b + 1))
    write_x(path, "ButterflyBody", vertices, uvs, faces)


def mesh_butterfly_wing(path):
    """Id 69: one wing in the x-z plane, its root on the body's axis (x = 0) and spreading
    toward +x: a larger fore wing (toward +z, the head) and a smaller hind wing."""
    outline = []
    steps = 32
    for k in range(steps + 1):
        theta = -75.0 + 160.0 * k / steps  # degrees, from the tail round to the head
        if theta >= 0.0:
            r = 14.0 + 34.0 * math.sin(math.pi * min(theta, 85.0) / 85.0) ** 0.7
        else:
            r = 14.0 + 22.0 * math.sin(math.pi * -theta / 75.0) ** 0.7
        a = math.radians(theta)
        outline.append((r * math.cos(a), 0.0, r * math.sin(a)))
    vertices = [(0.0, 0.0, 0.0)] + outline
    uvs = [(x / 50.0, 0.5 - z / 100.0) for (x, _, z) in vertices]
    faces = [(0, i, i + 1) for i in range(1, len(vertices) - 1)]
    write_x(path, "ButterflyWing", vertices, uvs, faces)


def mesh_clock(path):
    """Id 70: the clock's one mesh, a 100 x 100 square in the x-z plane; the dial shows it
    whole and each hand shows it squeezed. +z is twelve o'clock (texture v = 0)."""
    n = 4
    vertices, uvs, faces = [], [], []
    for i in range(n + 1):
        for j in range(n + 1):
            x = -50.0 + 100.0 * j / n
            z = 50.0 - 100.0 * i / n
            vertices.append((x, 0.0, z))
            uvs.append((j / n, i / n))
    for i in range(n):
        for j in range(n):
            a = i * (n + 1) + j
            b = a + n + 1
            faces.append((a, a + 1, b))
            faces.append((a + 1, b + 1, b))
    write_x(path, "Clock", vertices, uvs, faces)


# ---------------------------------------------------------------------------------------

PICTURES = {
    5: picture_landscape,
    6: picture_border,
    7: lambda p: picture_flames(p, 7, 128, 256),
    8: lambda p: picture_noise(p, 8, 8, 256),
    40: picture_glyph_strip,
    58: picture_ball_highlight,
    59: picture_ball_rim,
    60: picture_ball_stand,
    62: picture_bump_noise,
    71: picture_dial,
    72: picture_hands,
    89: picture_normals,
    93: lambda p: picture_fire_tongues(p, 93, 128, 128, 4),
    95: lambda p: picture_bolt(p, (1.0, 1.0, 1.0), (0.5, 0.7, 1.0), True),
    98: lambda p: picture_bolt(p, (1.0, 0.95, 0.8), (1.0, 0.55, 0.1), False),
    2016: picture_sound,
}

TEXTURE_SETS = {
    120: set_solid_frames,
    # The animated font's letters H, E, L, O: each rests a little longer than the one
    # before, so that the shimmer ripples along the word and drifts.
    150: set_font_letter("H", 1.2),
    151: set_font_letter("E", 1.3),
    152: set_font_letter("L", 1.4),
    153: set_font_letter("O", 1.5),
}

MESHES = {
    68: mesh_butterfly_body,
    69: mesh_butterfly_wing,
    70: mesh_clock,
}

# RT_RCDATA effect sources by id. 62 repeats the hot-air distortion: the flame layer's
# defaults name both 62 and 63 as effect sources of that module.
EFFECTS = {
    62: "bumpdistort.fx",
    63: "bumpdistort.fx",
    75: "backgroundcopy.fx",
    76: "light.fx",
    77: "waves.fx",
    78: "pattern.fx",
    88: "underwater.fx",
    90: "water.fx",
    91: "move.fx",
    92: "fire.fx",
    97: "glow.fx",
    102: "expand.fx",
    103: "radialwave.fx",
    116: "staticanimation.fx",
}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    out, effects = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    rc = ["// Generated by module/make_resources.py: the stand-in resource module."]
    for rid, make in sorted(PICTURES.items()):
        path = os.path.join(out, "picture_%d.dds" % rid)
        make(path)
        rc.append('%d DDS "%s"' % (rid, path.replace("\\", "/")))
    for rid, make in sorted(TEXTURE_SETS.items()):
        path = os.path.join(out, "set_%d.bin" % rid)
        make(path)
        rc.append('%d DDS "%s"' % (rid, path.replace("\\", "/")))
    for rid, make in sorted(MESHES.items()):
        path = os.path.join(out, "mesh_%d.x" % rid)
        make(path)
        rc.append('%d DDS "%s"' % (rid, path.replace("\\", "/")))
    for rid, name in sorted(EFFECTS.items()):
        path = os.path.join(effects, name)
        if not os.path.isfile(path):
            sys.exit("missing effect source " + path)
        rc.append('%d RCDATA "%s"' % (rid, os.path.abspath(path).replace("\\", "/")))
    with open(os.path.join(out, "velmora.rc"), "w", newline="\n") as f:
        f.write("\n".join(rc) + "\n")


if __name__ == "__main__":
    main()
