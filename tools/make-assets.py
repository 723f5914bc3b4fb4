#!/usr/bin/env python3
"""Makes every sound and picture Velmo ships, into resources/sound/ and resources/images/.

Everything is drawn or composed here, from nothing but code:
  - flat icons and toolbar pictures from signed-distance shapes (PNG, and PNG inside ICO);
  - small animated GIFs (own LZW encoder) for the assistant figures and the due panel;
  - the short action sounds, synthesised as 16-bit PCM WAV;
  - seventeen short original tunes: MIDI files with a piano for the .mid ones, synthesised and
    MP3-encoded for the .mp3 ones.

The output is committed, so the build never runs this. Run it only to change an asset:

    python3 tools/make-assets.py [--out DIR]     (DIR defaults to resources/ of this repository)

Needs the Python 3 standard library and, for the MP3 tunes only, the `lame` encoder
(Debian package "lame": apt-get install -y lame). Every run writes the same bytes.
"""

import argparse
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# ----------------------------------------------------------------------------------------------
# Deterministic random numbers (xorshift32), so every run composes the same tunes and noise.


class Rng:
    def __init__(self, seed):
        self.s = ((seed * 2654435761) + 0x9E3779B9) & 0xFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.s = s
        return s

    def uniform(self):
        return self.next() / 4294967296.0

    def below(self, n):
        return self.next() % n

    def pick(self, seq):
        return seq[self.below(len(seq))]

    def chance(self, p):
        return self.uniform() < p


# ----------------------------------------------------------------------------------------------
# Shapes as signed distance functions in design units (negative inside). A canvas turns the
# distance into anti-aliased coverage at any pixel size.


def rgb(hexstr):
    return tuple(int(hexstr[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


class Shape:
    __slots__ = ("d", "box")

    def __init__(self, d, box):
        self.d = d
        self.box = box


def _clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    k = min(rx, ry)
    return Shape(lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def rect(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r

    return Shape(d, (x0, y0, x1, y1))


def line(ax, ay, bx, by, w):
    """A stroke from a to b with round caps; w is half the stroke width."""
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = _clamp01(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - w

    return Shape(d, (min(ax, bx) - w, min(ay, by) - w, max(ax, bx) + w, max(ay, by) + w))


def poly(pts):
    n = len(pts)

    def d(x, y):
        best = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
        s = 1.0
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = _clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey))
            bx, by = wx - ex * t, wy - ey * t
            dd = bx * bx + by * by
            if dd < best:
                best = dd
            c1 = y >= yi
            c2 = y < yj
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
            j = i
        return s * math.sqrt(best)

    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(d, (min(xs), min(ys), max(xs), max(ys)))


def union(*shapes):
    ds = [s.d for s in shapes]
    box = (min(s.box[0] for s in shapes), min(s.box[1] for s in shapes),
           max(s.box[2] for s in shapes), max(s.box[3] for s in shapes))
    return Shape(lambda x, y: min(f(x, y) for f in ds), box)


def minus(a, b):
    return Shape(lambda x, y: max(a.d(x, y), -b.d(x, y)), a.box)


def inter(a, b):
    box = (max(a.box[0], b.box[0]), max(a.box[1], b.box[1]), min(a.box[2], b.box[2]),
           min(a.box[3], b.box[3]))
    return Shape(lambda x, y: max(a.d(x, y), b.d(x, y)), box)


def grow(s, r):
    """The shape widened by r (an outline when drawn under the shape itself)."""
    return Shape(lambda x, y: s.d(x, y) - r, (s.box[0] - r, s.box[1] - r, s.box[2] + r, s.box[3] + r))


def stroke(s, w):
    """A band of half width w along the shape's edge."""
    return Shape(lambda x, y: abs(s.d(x, y)) - w,
                 (s.box[0] - w, s.box[1] - w, s.box[2] + w, s.box[3] + w))


def polyline(pts, w):
    return union(*[line(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], w)
                   for i in range(len(pts) - 1)])


def arc(cx, cy, r, a0, a1, w, steps=14):
    """An arc from angle a0 to a1 (degrees, 0 = right, 90 = down), half stroke width w."""
    pts = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polyline(pts, w)


def rotate(s, deg, cx, cy):
    a = math.radians(deg)
    ca, sa = math.cos(a), math.sin(a)

    def d(x, y):
        dx, dy = x - cx, y - cy
        return s.d(cx + dx * ca + dy * sa, cy - dx * sa + dy * ca)

    corners = [(s.box[0], s.box[1]), (s.box[2], s.box[1]), (s.box[0], s.box[3]), (s.box[2], s.box[3])]
    rc = [(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca) for x, y in corners]
    return Shape(d, (min(p[0] for p in rc), min(p[1] for p in rc), max(p[0] for p in rc),
                     max(p[1] for p in rc)))


def place(s, scale, dx, dy):
    """The shape scaled about the origin, then moved by (dx, dy)."""
    return Shape(lambda x, y: s.d((x - dx) / scale, (y - dy) / scale) * scale,
                 (s.box[0] * scale + dx, s.box[1] * scale + dy, s.box[2] * scale + dx,
                  s.box[3] * scale + dy))


def vgrad(top, bottom, y0, y1):
    a, b = rgb(top), rgb(bottom)

    def colour(_x, y):
        t = _clamp01((y - y0) / (y1 - y0))
        return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)

    return colour


class Canvas:
    """Premultiplied RGBA pixels; shapes are given in design units (units across the width)."""

    def __init__(self, w, h, units):
        self.w, self.h = w, h
        self.k = w / units
        self.r = [0.0] * (w * h)
        self.g = [0.0] * (w * h)
        self.b = [0.0] * (w * h)
        self.a = [0.0] * (w * h)

    def draw(self, shape, colour, opacity=1.0):
        if isinstance(colour, str):
            colour = rgb(colour)
        k, w = self.k, self.w
        x0, y0, x1, y1 = shape.box
        px0 = max(0, int(math.floor(x0 * k)) - 1)
        py0 = max(0, int(math.floor(y0 * k)) - 1)
        px1 = min(self.w, int(math.ceil(x1 * k)) + 1)
        py1 = min(self.h, int(math.ceil(y1 * k)) + 1)
        d = shape.d
        fixed = None if callable(colour) else colour
        R, G, B, A = self.r, self.g, self.b, self.a
        for py in range(py0, py1):
            y = (py + 0.5) / k
            row = py * w
            for px in range(px0, px1):
                x = (px + 0.5) / k
                c = 0.5 - d(x, y) * k
                if c <= 0.0:
                    continue
                a = (1.0 if c > 1.0 else c) * opacity
                col = fixed or colour(x, y)
                i = row + px
                keep = 1.0 - a
                R[i] = col[0] * a + R[i] * keep
                G[i] = col[1] * a + G[i] * keep
                B[i] = col[2] * a + B[i] * keep
                A[i] = a + A[i] * keep

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA bytes, row by row."""
        out = bytearray(self.w * self.h * 4)
        for i in range(self.w * self.h):
            a = self.a[i]
            if a <= 0.0:
                continue
            out[4 * i] = min(255, int(self.r[i] / a * 255 + 0.5))
            out[4 * i + 1] = min(255, int(self.g[i] / a * 255 + 0.5))
            out[4 * i + 2] = min(255, int(self.b[i] / a * 255 + 0.5))
            out[4 * i + 3] = min(255, int(a * 255 + 0.5))
        return bytes(out)


def render(design, size, units=24, height=None):
    c = Canvas(size, height or size, units)
    design(c)
    return c


# ----------------------------------------------------------------------------------------------
# Picture file formats.


def png_bytes(w, h, rgba):
    raw = b"".join(b"\x00" + rgba[y * w * 4:(y + 1) * w * 4] for y in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def canvas_png(c):
    return png_bytes(c.w, c.h, c.rgba())


def ico_bytes(pngs):
    """An icon file whose images are PNG streams; pngs is a list of (size, png bytes)."""
    out = struct.pack("<HHH", 0, 1, len(pngs))
    offset = 6 + 16 * len(pngs)
    body = b""
    for size, data in pngs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def lzw_encode(indices, min_size):
    clear = 1 << min_size
    eoi = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size = min_size + 1
    table = {}
    next_code = eoi + 1
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, size)
        table[key] = next_code
        next_code += 1
        if next_code > (1 << size) and size < 12:
            size += 1
        if next_code == 4096:
            emit(clear, size)
            table = {}
            next_code = eoi + 1
            size = min_size + 1
        prefix = k
    emit(prefix, size)
    emit(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def quantise(colours, limit):
    """Median cut: maps each (r, g, b) of the count dict to one of at most `limit` colours."""
    if len(colours) <= limit:
        palette = sorted(colours)
        return palette, {c: i for i, c in enumerate(palette)}
    boxes = [sorted(colours.items())]
    while len(boxes) < limit:
        best, best_range, best_ch = -1, -1, 0
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[0][ch] for c in box]
                rng_ = max(vals) - min(vals)
                if rng_ > best_range:
                    best, best_range, best_ch = bi, rng_, ch
        if best < 0:
            break
        box = sorted(boxes[best], key=lambda c: (c[0][best_ch], c[0]))
        total = sum(c[1] for c in box)
        run = 0
        cut = 1
        for i, c in enumerate(box):
            run += c[1]
            if run * 2 >= total:
                cut = min(max(i + 1, 1), len(box) - 1)
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette = []
    lookup = {}
    for box in boxes:
        total = sum(c[1] for c in box)
        mean = tuple(int(sum(c[0][ch] * c[1] for c in box) / total + 0.5) for ch in range(3))
        for c in box:
            lookup[c[0]] = len(palette)
        palette.append(mean)
    return palette, lookup


def gif_bytes(frames, w, h, delay_cs):
    """An animated (or, with one frame, still) GIF with a transparent background; frames are
    straight RGBA byte strings. Pixels less than half covered become transparent."""
    counts = {}
    for f in frames:
        for i in range(0, len(f), 4):
            if f[i + 3] >= 128:
                key = (f[i], f[i + 1], f[i + 2])
                counts[key] = counts.get(key, 0) + 1
    palette, lookup = quantise(counts, 255)
    palette = [(0, 0, 0)] + palette  # index 0 is the transparent colour
    bits = max(1, (len(palette) - 1).bit_length())
    table_size = 1 << bits
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0x80 | 0x70 | (bits - 1), 0, 0)
    for c in palette + [(0, 0, 0)] * (table_size - len(palette)):
        out += bytes(c)
    if len(frames) > 1:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    min_size = max(2, bits)
    for f in frames:
        idx = bytearray(w * h)
        for p in range(w * h):
            if f[4 * p + 3] >= 128:
                idx[p] = lookup[(f[4 * p], f[4 * p + 1], f[4 * p + 2])] + 1
        # disposal 2: each frame starts from a clear background
        out += b"\x21\xF9\x04" + bytes([(2 << 2) | 1]) + struct.pack("<H", delay_cs) + b"\x00\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0)
        out.append(min_size)
        data = lzw_encode(bytes(idx), min_size)
        for i in range(0, len(data), 255):
            block = data[i:i + 255]
            out.append(len(block))
            out += block
        out.append(0)
    out.append(0x3B)
    return bytes(out)


# ----------------------------------------------------------------------------------------------
# Icons, drawn on a 24-unit grid.

BLUE, BLUE_D, BLUE_L = "#2F6FEB", "#1E4FB8", "#DCE8FF"
GREEN, GREEN_D = "#1FA463", "#137A47"
RED, RED_D = "#E5484D", "#B42A2F"
ORANGE, ORANGE_D = "#F59E0B", "#C57A06"
PURPLE, PURPLE_D = "#8B5CF6", "#6A3FD6"
PINK, PINK_L = "#EC4899", "#FBD0E6"
TEAL, TEAL_D = "#14B8A6", "#0C8579"
YELLOW = "#FACC15"
SLATE, SLATE_D, SLATE_L = "#64748B", "#334155", "#A6B3C6"
WHITE = "#FFFFFF"


def sheet(c, x0, y0, x1, y1, border, lines=True):
    """A sheet of paper with a coloured edge and a few text lines."""
    c.draw(rect(x0, y0, x1, y1, 1.6), border)
    c.draw(rect(x0 + 1.2, y0 + 1.2, x1 - 1.2, y1 - 1.2, 0.8), WHITE)
    if lines:
        for i, y in enumerate((y0 + 4.2, y0 + 7.2, y0 + 10.2)):
            right = x1 - 3.2 if i != 2 else (x0 + x1) / 2 + 1
            c.draw(rect(x0 + 3, y, right, y + 1.3, 0.65), SLATE_L)


def bell_shape():
    """A bell on the 24-unit grid (scale and move it with place())."""
    body = poly([(5.2, 17.2), (6.6, 10.2), (8.2, 6.8), (10.4, 5.1), (12, 4.7), (13.6, 5.1), (15.8, 6.8),
                 (17.4, 10.2), (18.8, 17.2)])
    return union(grow(body, 0.6), rect(3.6, 16.2, 20.4, 18.8, 1.2), circle(12, 4.2, 1.7),
                 circle(12, 20.2, 2.1))


def draw_new(c):
    sheet(c, 3.5, 2, 17, 21.5, BLUE)
    c.draw(circle(17.5, 17.5, 6.3), WHITE)
    c.draw(circle(17.5, 17.5, 5.3), GREEN)
    c.draw(rect(14.6, 16.85, 20.4, 18.15, 0.6), WHITE)
    c.draw(rect(16.85, 14.6, 18.15, 20.4, 0.6), WHITE)


def pencil(c, cx, cy, deg, length=13.0):
    h = 1.9
    x0 = cx - length / 2
    tip = x0 + 3.0
    parts = [
        (poly([(x0, cy), (tip, cy - h), (tip, cy + h)]), "#F5D6A8"),
        (poly([(x0, cy), (x0 + 1.3, cy - 0.82), (x0 + 1.3, cy + 0.82)]), SLATE_D),
        (rect(tip, cy - h, cx + length / 2 - 2.2, cy + h, 0.3), ORANGE),
        (rect(tip, cy - h, cx + length / 2 - 2.2, cy - 0.5, 0.2), "#FBBF24"),
        (rect(cx + length / 2 - 2.6, cy - h, cx + length / 2, cy + h, 0.9), PINK),
        (rect(cx + length / 2 - 3.2, cy - h, cx + length / 2 - 2.2, cy + h), SLATE_L),
    ]
    outline = union(*[p for p, _ in parts])
    c.draw(rotate(grow(outline, 0.9), deg, cx, cy), WHITE)
    for shape, colour in parts:
        c.draw(rotate(shape, deg, cx, cy), colour)


def draw_edit(c):
    sheet(c, 3.5, 2, 17, 21.5, BLUE)
    pencil(c, 15.5, 13.5, -45)


def check_mark(c, cx, cy, s, colour, w=1.6):
    c.draw(polyline([(cx - 5 * s, cy + 0.3 * s), (cx - 1.6 * s, cy + 3.7 * s), (cx + 5 * s, cy - 3.6 * s)],
                    w * s), colour)


def draw_done(c):
    c.draw(circle(12, 12, 10.2), GREEN_D)
    c.draw(circle(12, 12, 9.0), GREEN)
    check_mark(c, 12, 12, 1.0, WHITE, 1.7)


def draw_delete(c):
    handle = minus(rect(9, 2.2, 15, 6.2, 1.3), rect(10.6, 3.7, 13.4, 7, 0.4))
    c.draw(handle, RED_D)
    c.draw(rect(4, 5, 20, 7.6, 1.1), RED_D)
    c.draw(grow(poly([(6.2, 8.6), (17.8, 8.6), (16.7, 21.2), (7.3, 21.2)]), 0.6), RED)
    for x in (9.0, 11.4, 13.8):
        c.draw(rect(x, 11.2, x + 1.2, 18.8, 0.6), WHITE, 0.9)


def draw_search(c):
    c.draw(line(15, 15, 20.8, 20.8, 2.1), SLATE_D)
    c.draw(circle(10, 10, 7.3), BLUE_D)
    c.draw(circle(10, 10, 5.6), BLUE_L)
    c.draw(arc(10, 10, 3.6, 190, 260, 0.8), WHITE)


def draw_feedback(c):
    bubble = union(rect(2, 3, 22, 17, 3.2), poly([(6.5, 15.5), (12.5, 15.5), (5.8, 21.6)]))
    c.draw(bubble, ORANGE)
    c.draw(rect(10.9, 5.6, 13.1, 11.8, 1.1), WHITE)
    c.draw(circle(12, 14.3, 1.3), WHITE)


def gear_shape(cx, cy, r_body, r_hole, teeth=8):
    parts = [circle(cx, cy, r_body)]
    for i in range(teeth):
        parts.append(rotate(rect(cx - 1.7, cy - r_body - 2.6, cx + 1.7, cy - r_body + 1.0, 0.7),
                            i * 360.0 / teeth, cx, cy))
    return minus(union(*parts), circle(cx, cy, r_hole))


def draw_settings(c):
    c.draw(gear_shape(12, 12, 7.0, 2.9), "#52627A")
    c.draw(stroke(circle(12, 12, 4.6), 0.5), "#7C8BA1")


def draw_ring_off(c):
    c.draw(bell_shape(), ORANGE)
    c.draw(line(4, 4, 20, 20, 2.4), WHITE)
    c.draw(line(4, 4, 20, 20, 1.3), RED)


def alarm_clock(c, cx, cy, s, colour, dark):
    c.draw(place(union(circle(5.6, 5.6, 3.0), circle(18.4, 5.6, 3.0)), s, cx - 12 * s, cy - 12 * s), dark)
    c.draw(place(union(line(7.5, 18.5, 5.4, 21.6, 1.0), line(16.5, 18.5, 18.6, 21.6, 1.0)), s,
                 cx - 12 * s, cy - 12 * s), dark)
    c.draw(circle(cx, cy + 1.2 * s, 8.2 * s), colour)
    c.draw(circle(cx, cy + 1.2 * s, 6.4 * s), WHITE)
    c.draw(line(cx, cy + 1.2 * s, cx, cy - 3.2 * s, 0.95 * s), SLATE_D)
    c.draw(line(cx, cy + 1.2 * s, cx + 3.2 * s, cy + 2.8 * s, 0.95 * s), SLATE_D)


def draw_snooze(c):
    alarm_clock(c, 12, 12, 1.0, BLUE, BLUE_D)


def clipboard(c, board, board_d):
    c.draw(rect(4, 3.2, 20, 22.5, 2.2), board)
    c.draw(rect(6, 5.8, 18, 20.6, 1.0), WHITE)
    c.draw(rect(8.6, 1.6, 15.4, 5.8, 1.2), board_d)
    c.draw(rect(10.4, 2.7, 13.6, 3.9, 0.6), WHITE)


def draw_tree_open(c):
    clipboard(c, BLUE, BLUE_D)
    for y in (9.0, 12.2):
        c.draw(rect(8, y, 16, y + 1.4, 0.7), SLATE_L)
    c.draw(circle(17.6, 18.2, 5.3), WHITE)
    c.draw(circle(17.6, 18.2, 4.3), ORANGE)
    c.draw(line(17.6, 18.2, 17.6, 15.6, 0.75), WHITE)
    c.draw(line(17.6, 18.2, 19.5, 19.2, 0.75), WHITE)


def draw_tree_done(c):
    clipboard(c, GREEN, GREEN_D)
    check_mark(c, 12, 13.6, 0.78, GREEN, 2.0)


def draw_home(c):
    c.draw(rect(15.6, 3.6, 18.4, 9.5, 0.4), RED_D)
    c.draw(rect(4.8, 10.5, 19.2, 21.5, 1.0), "#F6B03C")
    c.draw(grow(poly([(12, 3.2), (21.2, 11.6), (2.8, 11.6)]), 0.9), RED)
    c.draw(rect(10, 14.5, 14, 21.5, 0.9), "#8A4B12")
    c.draw(rect(15.4, 13.6, 17.8, 16, 0.3), WHITE)


def draw_work(c):
    c.draw(minus(rect(8.2, 3.2, 15.8, 8.5, 1.8), rect(9.9, 4.8, 14.1, 9.5, 0.5)), "#6B4A26")
    c.draw(rect(2.5, 7, 21.5, 20.8, 2.2), "#C77D2E")
    c.draw(rect(2.5, 12.2, 21.5, 13.8), "#9A5B17")
    c.draw(rect(10.4, 11, 13.6, 15, 0.7), YELLOW)


def draw_study(c):
    c.draw(rect(5, 2.6, 19.5, 21.4, 1.6), PURPLE)
    c.draw(rect(5, 2.6, 8.6, 21.4, 1.3), PURPLE_D)
    c.draw(rect(8.6, 18.2, 19.5, 20.2, 0.4), WHITE)
    c.draw(rect(10.6, 6.2, 17.2, 9.6, 0.8), WHITE)


def draw_birthday(c):
    c.draw(ellipse(12, 3.6, 1.5, 2.3), ORANGE)
    c.draw(ellipse(12, 4.3, 0.75, 1.2), YELLOW)
    c.draw(rect(11, 6.3, 13, 11.6, 0.5), BLUE)
    c.draw(rect(3.2, 12.6, 20.8, 21.4, 1.8), PINK)
    icing = union(rect(3.2, 10.6, 20.8, 14, 1.6), circle(6.5, 14.2, 1.5), circle(11.2, 14.6, 1.6),
                  circle(16, 14.2, 1.5))
    c.draw(icing, PINK_L)
    c.draw(rect(3.2, 17.2, 20.8, 18.4), "#D63384")


def heart_shape(cx, cy, s):
    h = union(circle(8.3, 9.2, 4.9), circle(15.7, 9.2, 4.9),
              poly([(3.62, 10.6), (20.38, 10.6), (12, 20.6)]))
    return place(h, s, cx - 12 * s, cy - 12 * s)


def draw_mood(c):
    c.draw(heart_shape(12, 12, 1.0), RED)
    c.draw(ellipse(7.6, 7.9, 1.5, 1.1), WHITE, 0.7)


def draw_idea(c):
    glass = union(circle(12, 9.4, 7.0), poly([(7.4, 13.4), (16.6, 13.4), (14.9, 17.4), (9.1, 17.4)]))
    c.draw(glass, YELLOW)
    c.draw(arc(12, 9.4, 4.3, 200, 260, 0.8), WHITE, 0.9)
    c.draw(rect(8.8, 17.2, 15.2, 21.2, 1.1), SLATE)
    c.draw(rect(8.8, 18.8, 15.2, 19.5), SLATE_L)
    c.draw(rect(10.6, 21, 13.4, 22.6, 0.7), SLATE_D)


def draw_other(c):
    c.draw(grow(poly([(4, 4), (20, 4), (20, 14.8), (14.8, 20), (4, 20)]), 0.9), TEAL)
    c.draw(poly([(20.6, 14.6), (14.6, 14.6), (14.6, 20.6)]), TEAL_D)
    c.draw(rect(7, 7.8, 17, 9.2, 0.7), WHITE)
    c.draw(rect(7, 11.3, 13.5, 12.7, 0.7), WHITE)


def logo(c, bg_top, bg_bottom, badge, bell_colour):
    c.draw(rect(1, 1, 23, 23, 5.2), vgrad(bg_top, bg_bottom, 1, 23))
    page = poly([(5.5, 4), (15.2, 4), (18.5, 7.3), (18.5, 19.8), (5.5, 19.8)])
    c.draw(grow(page, 0.7), WHITE)
    c.draw(poly([(15.2, 4.2), (15.2, 7.4), (18.3, 7.4)]), "#C9D6EE")
    for y, right in ((8.4, 13), (11.4, 15.6), (14.4, 12.2)):
        c.draw(rect(8, y, right, y + 1.3, 0.65), "#9DB4DE")
    c.draw(circle(17.6, 17.6, 5.6), WHITE)
    c.draw(circle(17.6, 17.6, 4.6), badge)
    c.draw(place(bell_shape(), 0.32, 17.6 - 12 * 0.32, 17.6 - 12 * 0.32 - 0.2), bell_colour)


def draw_logo(c):
    logo(c, "#4C8DF8", "#1D4ED8", ORANGE, WHITE)


def draw_logo_flash(c):
    logo(c, "#FFC14A", "#F0542D", WHITE, RED)


def draw_notice(c):
    horn = poly([(4, 9), (10, 9), (18, 4), (18, 20), (10, 15), (4, 15)])
    c.draw(grow(horn, 0.8), ORANGE)
    c.draw(rect(6.5, 14, 9.5, 20.5, 1), ORANGE_D)
    c.draw(arc(18, 12, 3.6, -50, 50, 0.8), ORANGE_D)


# ----------------------------------------------------------------------------------------------
# The assistant figures: a small cheerful girl in six looks, each a short looping animation.

OUTLINE = "#3A2C36"
SKIN = "#FFE0C7"

FIGURES = {
    # number: (hair colour, hair style, dress colour, pose)
    1: ("#5B3A29", "long", "#FFD54A", "wave"),
    2: ("#2B2A3A", "pigtails", "#5AA9FF", "bell"),
    3: ("#C0642E", "bun", "#5CD68A", "cheer"),
    4: ("#7A4A2A", "ponytail", "#FF8FC3", "heart"),
    5: ("#3A2A5A", "bob", "#A78BFA", "clock"),
    6: ("#8B5A2B", "pigtails", "#FFA94D", "note"),
}
FIGURE_W, FIGURE_H, FIGURE_UNITS, FIGURE_FRAMES = 96, 120, 48, 8


def _darker(hexstr, f=0.78):
    r, g, b = rgb(hexstr)
    return "#%02X%02X%02X" % (int(r * f * 255), int(g * f * 255), int(b * f * 255))


def _arm_end(sx, sy, deg, length=8.5):
    a = math.radians(deg)
    return sx + length * math.cos(a), sy + length * math.sin(a)


def draw_figure(c, number, frame):
    hair, style, dress, pose = FIGURES[number]
    phase = frame / FIGURE_FRAMES * 2 * math.pi
    jump = 2.6 if pose == "cheer" else 1.4
    dy = -abs(math.sin(phase)) * jump
    swing = math.sin(phase) * 22
    blink = frame == 5

    left_deg, right_deg = 115, 65
    if pose == "wave":
        right_deg = -55 + swing
    elif pose == "bell":
        right_deg = -40
    elif pose == "cheer":
        left_deg, right_deg = 215 + swing * 0.5, -35 - swing * 0.5
    elif pose in ("heart", "note"):
        left_deg, right_deg = 60, 120
        if pose == "note":
            right_deg = -60
            left_deg = 100
    elif pose == "clock":
        left_deg, right_deg = 200 + swing * 0.7, 70

    y = lambda v: v + dy  # noqa: E731 - shorthand for the bounce
    lsx, lsy, rsx, rsy = 18.6, y(32.4), 29.4, y(32.4)
    lex, ley = _arm_end(lsx, lsy, left_deg)
    rex, rey = _arm_end(rsx, rsy, right_deg)

    back = [circle(24, y(19), 12.4)]
    if style == "long":
        back.append(rect(12.2, y(18), 35.8, y(36), 4))
    elif style == "pigtails":
        back += [ellipse(10.5, y(24), 3.8, 6.5), ellipse(37.5, y(24), 3.8, 6.5)]
    elif style == "bun":
        back.append(circle(24, y(8), 4.4))
    elif style == "ponytail":
        back.append(rotate(ellipse(36.5, y(22), 3.6, 8), -25, 36.5, y(22)))
    elif style == "bob":
        back.append(rect(12.4, y(16), 35.6, y(29.5), 5))
    hair_back = union(*back)
    head = circle(24, y(20.5), 10.6)
    dress_shape = grow(poly([(19, y(30)), (29, y(30)), (34.5, y(45.5)), (13.5, y(45.5))]), 1.4)
    legs = union(line(20.2, y(46), 20.2, y(52.5), 1.55), line(27.8, y(46), 27.8, y(52.5), 1.55))
    shoes = union(ellipse(19.6, y(53.6), 2.7, 1.7), ellipse(28.4, y(53.6), 2.7, 1.7))
    arms = union(line(lsx, lsy, lex, ley, 1.5), line(rsx, rsy, rex, rey, 1.5))
    hands = union(circle(lex, ley, 1.9), circle(rex, rey, 1.9))

    c.draw(grow(union(hair_back, head, dress_shape, legs, shoes, arms, hands), 1.0), OUTLINE)
    c.draw(hair_back, hair)
    c.draw(legs, SKIN)
    c.draw(shoes, "#7A3E48")
    c.draw(dress_shape, dress)
    c.draw(rect(13.5, y(41.5), 34.5, y(43.5)), _darker(dress), 0.6)
    c.draw(poly([(21.5, y(30)), (26.5, y(30)), (24, y(33.5))]), WHITE)
    c.draw(arms, SKIN)
    c.draw(hands, SKIN)
    c.draw(head, SKIN)
    bangs = minus(circle(24, y(19.2), 11.3), union(ellipse(24, y(26.5), 10.6, 9.2), circle(24, y(38), 4)))
    c.draw(bangs, hair)
    c.draw(arc(19, y(14.2), 3.8, 205, 255, 0.5), WHITE, 0.35)

    # face
    for ex in (19.6, 28.4):
        if blink:
            c.draw(arc(ex, y(21.2), 1.6, 20, 160, 0.45), OUTLINE)
        else:
            c.draw(ellipse(ex, y(22), 1.45, 1.95), OUTLINE)
            c.draw(circle(ex + 0.45, y(21.2), 0.6), WHITE)
    c.draw(ellipse(16.8, y(25.2), 1.9, 1.1), "#FF8FA8", 0.65)
    c.draw(ellipse(31.2, y(25.2), 1.9, 1.1), "#FF8FA8", 0.65)
    c.draw(arc(24, y(24.3), 2.2, 25, 155, 0.5), "#B03A48")

    # hair ornament
    if style in ("long", "pigtails"):
        bow = union(poly([(30.5, y(9.5)), (34.5, y(7.5)), (34.5, y(12.5))]),
                    poly([(30.5, y(9.5)), (26.5, y(7.5)), (26.5, y(12.5))]), circle(30.5, y(9.5), 1.2))
        c.draw(grow(bow, 0.6), OUTLINE)
        c.draw(bow, RED)

    # what the hands hold
    if pose == "bell":
        ring = math.sin(phase * 2) * 25
        bell = rotate(place(bell_shape(), 0.42, rex - 12 * 0.42, rey - 4 * 0.42 - 1.5), ring, rex, rey)
        c.draw(grow(bell, 0.8), OUTLINE)
        c.draw(bell, YELLOW)
        if abs(ring) > 12:
            side = 1 if ring > 0 else -1
            c.draw(arc(rex, rey + 2.5, 8.5, -90 + side * 40 - 18, -90 + side * 40 + 18, 0.55), OUTLINE)
    elif pose == "heart":
        s = 0.42 + 0.05 * math.sin(phase * 2)
        hx, hy = (lex + rex) / 2, (ley + rey) / 2 - 1.5
        heart = heart_shape(hx, hy, s)
        c.draw(grow(heart, 0.8), OUTLINE)
        c.draw(heart, RED)
    elif pose == "clock":
        face = circle(rex + 1, rey + 2.5, 4.2)
        c.draw(grow(face, 0.8), OUTLINE)
        c.draw(face, BLUE)
        c.draw(circle(rex + 1, rey + 2.5, 3.1), WHITE)
        a = math.radians(frame * 45 - 90)
        c.draw(line(rex + 1, rey + 2.5, rex + 1 + 2.3 * math.cos(a), rey + 2.5 + 2.3 * math.sin(a), 0.4),
               OUTLINE)
        c.draw(line(rex + 1, rey + 2.5, rex + 1, rey + 1.0, 0.45), OUTLINE)
    elif pose == "note":
        tilt = math.sin(phase) * 8
        note = rotate(rect(rex - 4, rey - 9.5, rex + 4, rey - 0.5, 0.8), tilt, rex, rey)
        c.draw(grow(note, 0.8), OUTLINE)
        c.draw(note, "#FFF4B0")
        for k in range(3):
            c.draw(rotate(rect(rex - 2.6, rey - 7.6 + k * 2.3, rex + 2.6 - (k == 2) * 2, rey - 6.8 + k * 2.3),
                          tilt, rex, rey), SLATE)
    elif pose == "cheer":
        for i, (sx, sy) in enumerate(((8, 8), (40, 10), (42, 30))):
            if (frame + i) % 3 == 0:
                star = union(line(sx - 1.8, sy, sx + 1.8, sy, 0.5), line(sx, sy - 1.8, sx, sy + 1.8, 0.5))
                c.draw(star, YELLOW)


def figure_frames(number):
    frames = []
    for f in range(FIGURE_FRAMES):
        c = Canvas(FIGURE_W, FIGURE_H, FIGURE_UNITS)
        draw_figure(c, number, f)
        frames.append(c.rgba())
    return frames


# Small animated markers of the due panel, 16 x 16.

def due_red_frames():
    frames = []
    for deg in (0, 12, 20, 12, 0, -12, -20, -12):
        c = Canvas(16, 16, 24)
        bell = rotate(place(bell_shape(), 0.8, 2.4, 3.2), deg, 12, 5)
        c.draw(grow(bell, 0.9), RED_D)
        c.draw(bell, RED)
        frames.append(c.rgba())
    return frames


def due_blue_frames():
    frames = []
    for i in range(8):
        c = Canvas(16, 16, 24)
        c.draw(circle(12, 12, 11), BLUE_D)
        c.draw(circle(12, 12, 9.6), BLUE)
        c.draw(circle(12, 12, 7.4), WHITE)
        a = math.radians(i * 45 - 90)
        c.draw(line(12, 12, 12 + 5.6 * math.cos(a), 12 + 5.6 * math.sin(a), 1.2), BLUE_D)
        c.draw(circle(12, 12, 1.6), BLUE_D)
        frames.append(c.rgba())
    return frames


def due_sound_frames():
    frames = []
    for waves in range(4):
        c = Canvas(16, 16, 24)
        c.draw(grow(poly([(3, 9), (7.5, 9), (13, 4), (13, 20), (7.5, 15), (3, 15)]), 0.8), GREEN_D)
        for k in range(waves):
            c.draw(arc(13, 12, 3.6 + 3.4 * k, -48, 48, 1.0), GREEN)
        frames.append(c.rgba())
    return frames


# ----------------------------------------------------------------------------------------------
# Sound files.

RATE = 44100


def wav_bytes(samples, rate):
    """16-bit mono PCM; samples are floats in -1..1."""
    data = struct.pack("<%dh" % len(samples),
                       *[max(-32767, min(32767, int(round(s * 32767)))) for s in samples])
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE" + b"fmt " +
            struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)


def normalise(samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def level(samples, rms=0.18):
    """Brings a tune to a common loudness; peaks above 0.5 are bent softly so none passes 0.82,
    which leaves the MP3 encoder room to overshoot."""
    now = math.sqrt(sum(v * v for v in samples) / len(samples)) or 1.0
    out = []
    for v in samples:
        v *= rms / now
        m = abs(v)
        if m > 0.5:
            v = math.copysign(0.5 + 0.32 * math.tanh((m - 0.5) / 0.32), v)
        out.append(v)
    return out


def ramp_ends(samples, rate, fade_in=0.003, fade_out=0.01):
    n_in, n_out = int(fade_in * rate), int(fade_out * rate)
    for i in range(min(n_in, len(samples))):
        samples[i] *= i / n_in
    for i in range(min(n_out, len(samples))):
        samples[-1 - i] *= i / n_out
    return samples


def sound_ok():
    """A bright rising two-note chime."""
    out = [0.0] * int(0.55 * RATE)
    for start, f in ((0.0, 1046.5), (0.085, 1568.0)):
        s0 = int(start * RATE)
        for i in range(len(out) - s0):
            t = i / RATE
            e = min(1.0, t / 0.004) * math.exp(-t / 0.16)
            v = (math.sin(2 * math.pi * f * t) + 0.32 * math.sin(2 * math.pi * 2 * f * t) * math.exp(-t / 0.06) +
                 0.12 * math.sin(2 * math.pi * 3.01 * f * t) * math.exp(-t / 0.04))
            out[s0 + i] += v * e
    return ramp_ends(normalise(out, 0.6), RATE)


def sound_error():
    """A low double buzz."""
    out = [0.0] * int(0.36 * RATE)
    f = 138.0
    for start in (0.0, 0.19):
        s0 = int(start * RATE)
        n = int(0.15 * RATE)
        for i in range(n):
            t = i / RATE
            e = min(1.0, t / 0.006, (n - i) / RATE / 0.02)
            v = sum(math.sin(2 * math.pi * f * h * t) / h ** 1.2 for h in (1, 2, 3, 5, 7, 9))
            out[s0 + i] += v * e
    return ramp_ends(normalise(out, 0.55), RATE)


def sound_del():
    """A short descending swish: noise through a band-pass that sweeps down."""
    rng = Rng(404)
    n = int(0.30 * RATE)
    out = []
    y1 = y2 = x1 = x2 = 0.0
    for i in range(n):
        t = i / RATE
        fc = 3600.0 * (450.0 / 3600.0) ** (t / 0.30)
        w = 2 * math.pi * fc / RATE
        alpha = math.sin(w) / (2 * 2.2)
        b0, a0, a1, a2 = alpha, 1 + alpha, -2 * math.cos(w), 1 - alpha
        x = rng.uniform() * 2 - 1
        y = (b0 * x - b0 * x2 - a1 * y1 - a2 * y2) / a0
        x2, x1, y2, y1 = x1, x, y1, y
        e = min(1.0, t / 0.03) * (1 - t / 0.30) ** 1.5
        out.append(y * e)
    return ramp_ends(normalise(out, 0.5), RATE)


def sound_down():
    """A soft falling blip."""
    n = int(0.16 * RATE)
    out = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = 980.0 * (0.52 ** (t / 0.16))
        phase += 2 * math.pi * f / RATE
        e = min(1.0, t / 0.005) * math.exp(-t / 0.06)
        out.append((math.sin(phase) + 0.15 * math.sin(2 * phase)) * e)
    return ramp_ends(normalise(out, 0.45), RATE)


# ----------------------------------------------------------------------------------------------
# Tunes: each an original eight-bar (or two-bar) melody over a chord progression, composed from
# a seed; the .mid ones are written as MIDI for a piano, the .mp3 ones are synthesised.

MAJOR = [0, 2, 4, 5, 7, 9, 11]
MINOR = [0, 2, 3, 5, 7, 8, 10]


class Tune:
    def __init__(self, code, name, tonic, mode, beats, bpm, prog, seed, accomp, voice="piano",
                 drums=None, repeat=1, gap=0, echo=False, busy=False):
        self.code, self.name = code, name
        self.tonic, self.mode, self.beats, self.bpm = tonic, mode, beats, bpm
        self.prog, self.seed, self.accomp = prog, seed, accomp
        self.voice, self.drums, self.repeat, self.gap, self.echo = voice, drums, repeat, gap, echo
        self.busy = busy

    @property
    def bar(self):
        return self.beats * 2  # in eighths


def note_pitch(tune, degree, chord_root=None, base=None):
    scale = MAJOR if tune.mode == "major" else MINOR
    p = (tune.tonic if base is None else base) + 12 * (degree // 7) + scale[degree % 7]
    if tune.mode == "minor" and degree % 7 == 6 and chord_root is not None and chord_root % 7 == 4:
        p += 1  # leading tone over the dominant
    return p


RHYTHMS = {
    4: [[2, 2, 2, 2], [3, 1, 2, 2], [2, 1, 1, 4], [1, 1, 2, 2, 2], [4, 2, 2], [2, 2, 4], [3, 1, 4],
        [2, 2, 1, 1, 2], [1, 1, 1, 1, 2, 2], [2, 2, 3, 1]],
    3: [[2, 2, 2], [3, 1, 2], [4, 2], [2, 1, 1, 2], [2, 4], [1, 1, 2, 2]],
}
ENDINGS = {4: [[2, 2, 4], [4, 4], [3, 1, 4], [2, 6]], 3: [[2, 4], [6], [3, 1, 2]]}
BUSY_RHYTHMS = [[1, 1, 1, 1, 1, 1, 2], [1, 1, 1, 1, 2, 2], [1, 1, 2, 1, 1, 2], [2, 1, 1, 1, 1, 2]]


def compose_melody(tune, rng):
    beats = tune.beats
    chords = tune.prog
    lo, hi = -3, 10

    def chord_tones(root):
        return {(root + k) % 7 for k in (0, 2, 4)}

    def gen_bar(rhythm, root, prev, direction, end_on=None):
        degrees = []
        pos = 0
        for i, dur in enumerate(rhythm):
            strong = pos % 4 == 0 if beats == 4 else pos == 0
            strong = strong or dur >= 3
            last = i == len(rhythm) - 1
            if last and end_on is not None:
                cands = [d for d in range(lo, hi + 1) if d % 7 == end_on % 7]
                d = min(cands, key=lambda v: (abs(v - prev), v))
            elif strong:
                tones = chord_tones(root)
                cands = [d for d in range(prev - 4, prev + 5) if d % 7 in tones and lo <= d <= hi]
                if len(cands) > 1 and rng.chance(0.85):
                    cands = [d for d in cands if d != prev] or cands
                cands.sort(key=lambda v: (abs(v - (prev + direction * 2)), v))
                d = cands[rng.below(min(2, len(cands)))]
            else:
                step = rng.pick([1, 1, 1, 2, 0]) * direction
                if rng.chance(0.25):
                    step = -step
                d = prev + step
            if d > hi or d < lo:
                direction = -direction
                d = max(lo, min(hi, d))
            if rng.chance(0.22):
                direction = -direction
            degrees.append(d)
            prev = d
            pos += dur
        return degrees, prev, direction

    def snap(degrees, rhythm, root):
        tones = chord_tones(root)
        out = []
        pos = 0
        for d, dur in zip(degrees, rhythm):
            strong = (pos % 4 == 0 if beats == 4 else pos == 0) or dur >= 3
            if strong and d % 7 not in tones:
                d = d + 1 if (d + 1) % 7 in tones else d - 1
            out.append(d)
            pos += dur
        return out

    pool, ends = (BUSY_RHYTHMS if tune.busy else RHYTHMS[beats]), ENDINGS[beats]
    a0, a1, b0, b1 = rng.pick(pool), rng.pick(pool), rng.pick(pool), rng.pick(pool)
    bars = []  # (rhythm, degrees)
    prev, direction = rng.pick([0, 2, 4]), 1
    if len(chords) == 2:
        d, prev, direction = gen_bar(a0, chords[0], prev, direction)
        bars.append((a0, d))
        end = rng.pick(ends)
        d, prev, direction = gen_bar(end, chords[1], prev, direction, end_on=0)
        bars.append((end, d))
    else:
        m0, prev, direction = gen_bar(a0, chords[0], prev, direction)
        m1, prev, direction = gen_bar(a1, chords[1], prev, direction)
        bars += [(a0, m0), (a1, m1)]
        bars.append((a0, snap(m0, a0, chords[2])))
        e1 = rng.pick(ends)
        d, prev, direction = gen_bar(e1, chords[3], bars[-1][1][-1], direction, end_on=chords[3])
        bars.append((e1, d))
        d, prev, direction = gen_bar(b0, chords[4], min(hi - 2, prev + 3), 1)
        bars.append((b0, d))
        d, prev, direction = gen_bar(b1, chords[5], prev, -1)
        bars.append((b1, d))
        bars.append((a0, snap(m0, a0, chords[6])))
        fin = rng.pick(ends)
        d, prev, direction = gen_bar(fin, chords[7], bars[-1][1][-1], -1, end_on=0)
        bars.append((fin, d))
    notes = []
    for b, (rhythm, degrees) in enumerate(bars):
        pos = b * tune.bar
        for dur, deg in zip(rhythm, degrees):
            strong = (pos - b * tune.bar) % 4 == 0
            vel = (96 if strong else 84) + rng.below(9) - 4
            notes.append((pos, dur, note_pitch(tune, deg, chords[b]), vel, "melody"))
            pos += dur
    return notes


def compose_accompaniment(tune):
    notes = []
    bar = tune.bar
    low = tune.tonic - 24
    mid = tune.tonic - 12
    for b, root in enumerate(tune.prog):
        at = b * bar
        final = b == len(tune.prog) - 1

        def bass(pos, dur, deg=0, vel=72):
            notes.append((at + pos, dur, note_pitch(tune, root + deg, root, low), vel, "bass"))

        def chord(pos, dur, degs=(2, 4, 7), vel=58):
            for k in degs:
                notes.append((at + pos, dur, note_pitch(tune, root + k, root, mid), vel, "chord"))

        if final:
            bass(0, bar)
            chord(0, bar, (0, 2, 4))
            continue
        style = tune.accomp
        if style == "arp":
            steps = [0, 4, 7, 9, 11, 9, 7, 4] if tune.beats == 4 else [0, 4, 7, 9, 7, 4]
            bass(0, bar, vel=66)
            for i, k in enumerate(steps):
                notes.append((at + i, 1, note_pitch(tune, root + k, root, mid), 54 + (8 if i == 0 else 0),
                              "chord"))
        elif style == "waltz":
            bass(0, 2)
            chord(2, 2)
            chord(4, 2, vel=52)
        elif style == "gallop":
            for q in range(tune.beats):
                bass(2 * q, 1, 0 if q % 2 == 0 else 4)
                chord(2 * q + 1, 1, (2, 4), vel=54)
        elif style == "block":
            for half in range(0, bar, 4):
                bass(half, 4)
                chord(half, 4, (2, 4, 7), vel=56)
        elif style == "pump":
            for i in range(bar):
                bass(i, 1, 7 if i % 2 else 0, 70 if i % 2 == 0 else 60)
            chord(2, 1, vel=60)
            chord(6, 1, vel=60)
        elif style == "march":
            for q in range(tune.beats):
                bass(2 * q, 2, 0 if q % 2 == 0 else -3)
            chord(2, 2)
            chord(6, 2)
        elif style == "pad":
            bass(0, bar, vel=64)
            chord(0, bar, (2, 4, 7), vel=46)
    return notes


def score(tune):
    """The tune's notes as (start, length, key, velocity, part), times in eighths."""
    # Seeds whose melody stays on a few notes or leaps about are passed over.
    for attempt in range(50):
        melody = compose_melody(tune, Rng(tune.seed + attempt * 7919))
        keys = [n[2] for n in melody]
        moves = sum(a != b for a, b in zip(keys, keys[1:])) / (len(keys) - 1)
        leap = max(abs(a - b) for a, b in zip(keys, keys[1:]))
        if max(keys) - min(keys) >= 7 and moves >= 0.7 and leap <= 9:
            break
    one = melody + compose_accompaniment(tune)
    length = len(tune.prog) * tune.bar
    notes = []
    for r in range(tune.repeat):
        shift = r * (length + tune.gap * 2)
        notes += [(s + shift, d, p, v, part) for s, d, p, v, part in one]
    total = tune.repeat * length + (tune.repeat - 1) * tune.gap * 2
    return sorted(notes), total


def _vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


def midi_bytes(tune):
    notes, total = score(tune)
    tpq = 480
    per8 = tpq // 2

    end = (total + 2) * per8

    def track(events):
        events.sort(key=lambda e: (e[0], e[1]))
        body = b""
        now = 0
        for tick, _order, data in events:
            body += _vlq(tick - now) + data
            now = tick
        body += _vlq(max(0, end - now)) + b"\xFF\x2F\x00"
        return b"MTrk" + struct.pack(">I", len(body)) + body

    tempo = 60000000 // tune.bpm
    conductor = [(0, 0, b"\xFF\x03" + _vlq(len(tune.name.encode())) + tune.name.encode()),
                 (0, 0, b"\xFF\x58\x04" + bytes([tune.beats, 2, 24, 8])),
                 (0, 0, b"\xFF\x51\x03" + struct.pack(">I", tempo)[1:])]
    parts = {"melody": (0, 100), "bass": (1, 84), "chord": (1, 84)}
    tracks = {0: [(0, 0, b"\xC0\x00"), (0, 0, b"\xB0\x07" + bytes([100]))],
              1: [(0, 0, b"\xC1\x00"), (0, 0, b"\xB1\x07" + bytes([84]))]}
    for start, dur, key, vel, part in notes:
        ch = parts[part][0]
        on = start * per8
        off = on + dur * per8 - (30 if part == "melody" else 10)
        tracks[ch].append((on, 1, bytes([0x90 | ch, key, vel])))
        tracks[ch].append((off, 0, bytes([0x80 | ch, key, 64])))
    data = b"MThd" + struct.pack(">IHHH", 6, 1, 3, tpq) + track(conductor) + track(tracks[0]) + track(tracks[1])
    return data


# A small synthesiser for the MP3 tunes.

SYNTH_RATE = 32000
TABLE = 2048

VOICES = {
    # harmonic amplitudes, attack s, decay time constant s, sustain level, release s, vibrato depth
    "piano": ([1, 0.5, 0.28, 0.16, 0.1, 0.06], 0.004, 0.8, 0.0, 0.08, 0.0),
    "square": ([1, 0, 1 / 3, 0, 1 / 5, 0, 1 / 7, 0, 1 / 9], 0.008, 0.3, 0.7, 0.05, 0.004),
    "brass": ([1 / n for n in range(1, 11)], 0.035, 0.4, 0.8, 0.1, 0.003),
    "flute": ([1, 0.28, 0.1, 0.04], 0.06, 0.5, 0.85, 0.15, 0.005),
    "lead": ([1 / n for n in range(1, 9)], 0.015, 0.5, 0.75, 0.12, 0.006),
    "pluck": ([1 / n ** 0.8 for n in range(1, 9)], 0.003, 0.22, 0.1, 0.06, 0.0),
    "pad": ([1, 0.45, 0.3, 0.2, 0.12], 0.22, 1.0, 0.7, 0.35, 0.0),
    "bass": ([1, 0.45, 0.2, 0.08], 0.005, 0.5, 0.45, 0.06, 0.0),
    "organ": ([1, 0.6, 0.0, 0.35, 0.0, 0.2], 0.01, 1.0, 0.9, 0.06, 0.0),
}
PARTIALS = {
    # inharmonic voices: (ratio, amplitude, decay time constant s)
    "bell": [(1, 1, 1.1), (2.0, 0.45, 0.55), (3.01, 0.25, 0.32), (4.16, 0.16, 0.2), (5.43, 0.1, 0.12)],
    "marimba": [(1, 1, 0.32), (3.93, 0.28, 0.07), (9.24, 0.07, 0.025)],
}


def _table(harmonics):
    t = [0.0] * TABLE
    for h, amp in enumerate(harmonics, start=1):
        if amp:
            for i in range(TABLE):
                t[i] += amp * math.sin(2 * math.pi * h * i / TABLE)
    top = max(abs(v) for v in t)
    return [v / top for v in t]


_SINE = _table([1])
_TABLES = {}


def _freq(key):
    return 440.0 * 2 ** ((key - 69) / 12)


def synth_note(buf, start, length, key, gain, voice):
    """Adds one note to buf; start and length in samples."""
    f = _freq(key)
    if voice in PARTIALS:
        n = min(len(buf) - start, int(SYNTH_RATE * 1.6))
        for ratio, amp, tau in PARTIALS[voice]:
            inc = f * ratio * TABLE / SYNTH_RATE
            if f * ratio > SYNTH_RATE / 2.2:
                continue
            k = math.exp(-1.0 / (tau * SYNTH_RATE))
            e = amp * gain
            phase = 0.0
            for i in range(n):
                a = e if i > 60 else e * i / 60
                buf[start + i] += a * _SINE[int(phase) & (TABLE - 1)]
                phase += inc
                e *= k
        return
    harmonics, attack, tau, sustain, release, vib = VOICES[voice]
    table = _TABLES.get(voice)
    if table is None:
        table = _TABLES[voice] = _table(harmonics)
    inc = f * TABLE / SYNTH_RATE
    n_att = max(1, int(attack * SYNTH_RATE))
    n_rel = max(1, int(release * SYNTH_RATE))
    n = min(len(buf) - start, length + n_rel)
    k = math.exp(-1.0 / (tau * SYNTH_RATE))
    decay = 1.0
    phase = 0.0
    vib_inc = 2 * math.pi * 5.2 / SYNTH_RATE
    for i in range(n):
        if i < n_att:
            a = i / n_att
        else:
            a = sustain + (1 - sustain) * decay
            decay *= k
        if i >= length:
            a *= 1.0 - (i - length) / n_rel
        buf[start + i] += gain * a * table[int(phase) & (TABLE - 1)]
        phase += inc * (1.0 + vib * math.sin(i * vib_inc)) if vib else inc


def synth_drum(buf, start, kind, gain, noise):
    n = min(len(buf) - start, int(0.3 * SYNTH_RATE))
    if kind == "kick":
        phase = 0.0
        for i in range(n):
            t = i / SYNTH_RATE
            phase += 2 * math.pi * (45 + 110 * math.exp(-t / 0.03)) / SYNTH_RATE
            buf[start + i] += gain * math.sin(phase) * math.exp(-t / 0.12)
    elif kind == "snare":
        prev = 0.0
        for i in range(n):
            t = i / SYNTH_RATE
            x = noise[i]
            buf[start + i] += gain * ((x - prev) * 0.6 * math.exp(-t / 0.07) +
                                      0.4 * math.sin(2 * math.pi * 190 * t) * math.exp(-t / 0.04))
            prev = x
    elif kind == "hat":
        p1 = p2 = 0.0
        for i in range(min(n, int(0.07 * SYNTH_RATE))):
            t = i / SYNTH_RATE
            x = noise[(i * 7) % len(noise)]
            buf[start + i] += gain * 0.35 * (x - 2 * p1 + p2) * math.exp(-t / 0.018)
            p2, p1 = p1, x


DRUMS = {
    # per bar of eighths: kick, snare, hat positions
    "rock": ([0, 3, 4], [2, 6], list(range(8))),
    "march": ([0, 4], [2, 6, 7], []),
    "ballad": ([0, 5], [4], [0, 2, 4, 6]),
    "light": ([0, 4], [6], list(range(8))),
}

GAINS = {"melody": 0.42, "bass": 0.30, "chord": 0.12}


def render_tune(tune):
    notes, total = score(tune)
    eighth = 30.0 / tune.bpm
    n = int((total * eighth + 1.8) * SYNTH_RATE)
    buf = [0.0] * n
    voices = {"melody": tune.voice, "bass": "bass", "chord": "pad" if tune.accomp == "pad" else "piano"}
    if tune.voice in ("bell", "marimba"):
        voices["chord"] = tune.voice
    for start, dur, key, vel, part in notes:
        gain = GAINS[part] * vel / 100
        if part == "chord" and voices["chord"] in PARTIALS:
            gain *= 0.6
        synth_note(buf, int(start * eighth * SYNTH_RATE), int(dur * eighth * SYNTH_RATE * 0.92), key, gain,
                   voices[part])
    if tune.drums:
        rng = Rng(tune.seed + 99)
        noise = [rng.uniform() * 2 - 1 for _ in range(int(0.3 * SYNTH_RATE))]
        kicks, snares, hats = DRUMS[tune.drums]
        bars = total // tune.bar
        for b in range(bars - 1):
            for kind, where, g in (("kick", kicks, 0.55), ("snare", snares, 0.3), ("hat", hats, 0.22)):
                for pos in where:
                    if pos < tune.bar:
                        synth_drum(buf, int((b * tune.bar + pos) * eighth * SYNTH_RATE), kind, g, noise)
        synth_drum(buf, int((bars - 1) * tune.bar * eighth * SYNTH_RATE), "kick", 0.55, noise)
    if tune.echo:
        d = int(0.27 * SYNTH_RATE)
        for i in range(d, n):
            buf[i] += 0.28 * buf[i - d]
    return ramp_ends(level(buf), SYNTH_RATE, 0.002, 0.5)


def siren():
    """A two-tone alert followed by a rising and falling wail."""
    table = _table([1, 0, 0.3, 0, 0.12])
    out = []
    phase = 0.0

    def tone(freq_at, seconds, gain=1.0):
        nonlocal phase
        n = int(seconds * SYNTH_RATE)
        for i in range(n):
            t = i / SYNTH_RATE
            e = min(1.0, t / 0.01, (seconds - t) / 0.02) * gain
            out.append(e * table[int(phase) & (TABLE - 1)])
            phase += freq_at(t / seconds) * TABLE / SYNTH_RATE

    for _ in range(2):
        for _ in range(4):
            tone(lambda _t: 932.0, 0.32)
            tone(lambda _t: 698.0, 0.32)
        tone(lambda t: 620 + 780 * math.sin(math.pi * t), 1.9)
        tone(lambda _t: 1.0, 0.25, 0.0)
    return ramp_ends(level(out, 0.17), SYNTH_RATE)


def mp3_bytes(samples, title, lame):
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "in.wav")
        mp3 = os.path.join(tmp, "out.mp3")
        with open(wav, "wb") as f:
            f.write(wav_bytes(samples, SYNTH_RATE))
        subprocess.run([lame, "--quiet", "-m", "m", "--cbr", "-b", "64", "-q", "2", "--id3v2-only",
                        "--tt", title, "--ta", "Velmo", wav, mp3], check=True)
        with open(mp3, "rb") as f:
            return f.read()


MAJ_A = [0, 4, 5, 3, 0, 3, 4, 0]
MAJ_B = [0, 5, 3, 4, 0, 5, 4, 0]
MAJ_C = [0, 3, 4, 0, 5, 1, 4, 0]
MIN_A = [0, 5, 2, 6, 0, 3, 4, 0]
MIN_B = [0, 3, 6, 2, 5, 3, 4, 0]

TUNES = [
    Tune("1.mid", "天空之城.mid", 69, "minor", 4, 92, MIN_A, 11, "arp"),
    Tune("2.mid", "致爱丽丝.mid", 64, "minor", 3, 126, MIN_B, 23, "waltz"),
    Tune("3.mid", "赛马.mid", 67, "major", 4, 152, MAJ_C, 37, "gallop"),
    Tune("4.mid", "sound of silence.mid", 62, "minor", 4, 96, MIN_B, 41, "arp"),
    Tune("5.mid", "婚礼进行曲.mid", 65, "major", 4, 100, MAJ_B, 53, "block"),
    Tune("6.mid", "魂斗罗.mid", 64, "minor", 4, 160, MIN_A, 67, "pump"),
    Tune("7.mid", "骑士精神.mid", 62, "major", 4, 116, MAJ_A, 71, "march"),
    Tune("8.mid", "生日快乐.mid", 67, "major", 3, 108, MAJ_C, 83, "waltz"),
    Tune("9.mid", "遇见.mid", 63, "major", 4, 94, MAJ_B, 97, "arp"),
    Tune("10.mp3", "动感超人.mp3", 69, "major", 4, 140, MAJ_A, 101, "pump", "square", "rock"),
    Tune("11.mp3", "CHAMPION.mp3", 65, "major", 4, 118, MAJ_C, 113, "march", "brass", "march"),
    Tune("12.mp3", "传奇.mp3", 67, "minor", 4, 92, MIN_A, 127, "pad", "flute", echo=True),
    Tune("13.mp3", "交警铃声.mp3", 0, "major", 4, 120, [], 131, None),
    Tune("14.mp3", "可爱短信音.mp3", 72, "major", 4, 132, [4, 0], 149, "arp", "bell", repeat=2, gap=3,
         busy=True),
    Tune("15.mp3", "铃声007.mp3", 64, "minor", 4, 126, MIN_B, 151, "pump", "pluck", "light"),
    Tune("16.mp3", "诺基亚.mp3", 72, "major", 4, 168, [3, 0], 163, "arp", "marimba", repeat=3, gap=4,
         busy=True),
    Tune("17.mp3", "死了都要爱.mp3", 66, "minor", 4, 90, MIN_B, 179, "pad", "lead", "ballad", echo=True),
]


# ----------------------------------------------------------------------------------------------

ICON_SIZES = (16, 20, 24, 32, 48)
TRAY_SIZES = (16, 20, 22, 24, 32, 48, 64)
APP_SIZES = (16, 24, 32, 48, 64, 128, 256)

TREE_ICONS = [draw_tree_open, draw_home, draw_work, draw_study, draw_birthday, draw_mood, draw_idea,
              draw_other, draw_tree_done]
BUTTONS = {"new": draw_new, "edit": draw_edit, "done": draw_done, "delete": draw_delete,
           "search": draw_search, "feedback": draw_feedback, "settings": draw_settings,
           "ring-off": draw_ring_off, "snooze": draw_snooze}


def icon_file(design, sizes):
    return ico_bytes([(s, canvas_png(render(design, s))) for s in sizes])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(here), "resources"))
    args = parser.parse_args()
    lame = shutil.which("lame")
    if not lame:
        sys.exit("make-assets: the MP3 tunes need the lame encoder (apt-get install -y lame)")

    images = os.path.join(args.out, "images")
    sound = os.path.join(args.out, "sound")
    for folder in (images, sound):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)

    def write(folder, name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%-8s %7d  %s" % (os.path.basename(folder), len(data), name))

    for i, design in enumerate(TREE_ICONS, start=1):
        write(images, "%d.ico" % i, icon_file(design, ICON_SIZES))
    for name, design in BUTTONS.items():
        write(images, "button-%s.png" % name, canvas_png(render(design, 24)))
        write(images, "button-%s@2x.png" % name, canvas_png(render(design, 48)))
    write(images, "notice.png", canvas_png(render(draw_notice, 16)))
    write(images, "notice@2x.png", canvas_png(render(draw_notice, 32)))
    write(images, "velmo.ico", icon_file(draw_logo, APP_SIZES))
    write(images, "velmo.png", canvas_png(render(draw_logo, 256)))
    write(images, "tray.ico", icon_file(draw_logo, TRAY_SIZES))
    write(images, "tray-flash.ico", icon_file(draw_logo_flash, TRAY_SIZES))
    for number in FIGURES:
        write(images, "%d.gif" % number, gif_bytes(figure_frames(number), FIGURE_W, FIGURE_H, 12))
    write(images, "red.gif", gif_bytes(due_red_frames(), 16, 16, 8))
    write(images, "blue.gif", gif_bytes(due_blue_frames(), 16, 16, 12))
    write(images, "sound.gif", gif_bytes(due_sound_frames(), 16, 16, 20))

    write(sound, "ok.wav", wav_bytes(sound_ok(), RATE))
    write(sound, "error.wav", wav_bytes(sound_error(), RATE))
    write(sound, "del.wav", wav_bytes(sound_del(), RATE))
    write(sound, "down.wav", wav_bytes(sound_down(), RATE))
    for tune in TUNES:
        if tune.name.endswith(".mid"):
            write(sound, tune.name, midi_bytes(tune))
        elif tune.code == "13.mp3":
            write(sound, tune.name, mp3_bytes(siren(), "Velmo tune 13", lame))
        else:
            write(sound, tune.name, mp3_bytes(render_tune(tune), "Velmo tune " + tune.code[:-4], lame))


if __name__ == "__main__":
    main()
