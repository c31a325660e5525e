#!/usr/bin/env python3
"""Draws the program's built-in art and writes it under res/.

    tools/gen_art.py                 write every file (textures, icons, toolbar, resource list)
    tools/gen_art.py --check         read the written files back and check their headers
    tools/gen_art.py --help-page F   write the help page to F (the build does this; it is not committed)

Icons and the toolbar also get art at twice the size (files named <number>@2x), for screens of high
density: the same pixel art enlarged by the Scale2x rule, which rounds diagonals instead of doubling pixels.
    tools/gen_art.py --contact PNG   draw a contact sheet of the written files

Standard library only. Every random choice comes from a fixed seed, so two runs
write the same bytes.
"""

import argparse
import math
import os
import random
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")

TEXTURES = [  # resource number, name, width, height
    (131, "Rock White", 96, 96),
    (132, "Rock Yellow", 52, 28),
    (135, "Pattern Green", 106, 132),
    (138, "Brick Cranite", 140, 188),
    (140, "Money", 169, 105),
]
ICONS = [141, 142, 128, 129]
TOOLBAR_IMAGES = 13
TOOLBAR_W, TOOLBAR_H = 16, 15

# The 16-colour VGA palette in Windows order.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One letter per VGA colour for the pixel-art tables below.
VGA_KEYS = {
    "k": 0, "r": 1, "g": 2, "o": 3, "n": 4, "p": 5, "t": 6, "s": 7,
    "d": 8, "R": 9, "G": 10, "Y": 11, "B": 12, "M": 13, "C": 14, "w": 15,
}
SILVER = 7


# ---------------------------------------------------------------- small helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def scale(c, f):
    return (c[0] * f, c[1] * f, c[2] * f)


def ramp(stops, t):
    """Colour at t along a list of (position, colour) stops."""
    t = clamp(t)
    for i in range(1, len(stops)):
        p1, c1 = stops[i]
        if t <= p1:
            p0, c0 = stops[i - 1]
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def fade(t):
    return t * t * t * (t * (t * 6 - 15) + 10)


class Perlin:
    """Gradient noise on an nx x ny lattice that wraps, sampled in tile units (0..1 is one period)."""

    def __init__(self, rng, nx, ny):
        self.nx, self.ny = nx, ny
        self.g = []
        for _ in range(ny):
            row = []
            for _ in range(nx):
                a = rng.random() * 2 * math.pi
                row.append((math.cos(a), math.sin(a)))
            self.g.append(row)

    def at(self, u, v):
        px, py = u * self.nx, v * self.ny
        x0, y0 = math.floor(px), math.floor(py)
        fx, fy = px - x0, py - y0
        i0, j0 = x0 % self.nx, y0 % self.ny
        i1, j1 = (i0 + 1) % self.nx, (j0 + 1) % self.ny
        g = self.g
        a = g[j0][i0][0] * fx + g[j0][i0][1] * fy
        b = g[j0][i1][0] * (fx - 1) + g[j0][i1][1] * fy
        c = g[j1][i0][0] * fx + g[j1][i0][1] * (fy - 1)
        d = g[j1][i1][0] * (fx - 1) + g[j1][i1][1] * (fy - 1)
        sx, sy = fade(fx), fade(fy)
        top = a + (b - a) * sx
        return top + (c + (d - c) * sx - top) * sy


class Fbm:
    """Sum of octaves of wrapping gradient noise; roughly -1..1."""

    def __init__(self, seed, nx, ny, octaves, gain=0.5):
        rng = random.Random(seed)
        self.layers = []
        amp = 1.0
        for o in range(octaves):
            self.layers.append((Perlin(rng, nx << o, ny << o), amp))
            amp *= gain
        self.norm = 1.0 / sum(a for _, a in self.layers)

    def at(self, u, v):
        s = 0.0
        for p, a in self.layers:
            s += p.at(u, v) * a
        return s * self.norm * 1.6

    def ridged(self, u, v):
        s = 0.0
        for p, a in self.layers:
            s += (1.0 - abs(p.at(u, v)) * 1.8) * a
        return s * self.norm


class Worley:
    """Cellular noise that wraps: one feature point per cell; distances in pixels."""

    def __init__(self, seed, w, h, nx, ny):
        rng = random.Random(seed)
        self.w, self.h, self.nx, self.ny = w, h, nx, ny
        self.cw, self.ch = w / nx, h / ny
        self.pts = [[(rng.random(), rng.random(), rng.random()) for _ in range(nx)] for _ in range(ny)]

    def at(self, x, y):
        """(nearest distance, second distance, random value of the nearest cell)."""
        return self.near(x, y)[:3]

    def near(self, x, y):
        """As at(), plus the offset (dx, dy) from the nearest feature point to (x, y)."""
        cx, cy = int(x // self.cw), int(y // self.ch)
        f1 = f2 = 1e9
        val = 0.0
        off = (0.0, 0.0)
        for dj in (-1, 0, 1):
            for di in (-1, 0, 1):
                i, j = cx + di, cy + dj
                ox, oy, r = self.pts[j % self.ny][i % self.nx]
                dx = (i + ox) * self.cw - x
                dy = (j + oy) * self.ch - y
                d = math.sqrt(dx * dx + dy * dy)
                if d < f1:
                    f2, f1, val, off = f1, d, r, (-dx, -dy)
                elif d < f2:
                    f2 = d
        return f1, f2, val, off[0], off[1]


class Img:
    """A floating-point RGB picture (0..255 per channel), rows top to bottom."""

    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.p = [[tuple(colour) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        self.p[y][x] = mix(self.p[y][x], colour, min(alpha, 1.0))

    def shape(self, inside, box, colour, alpha=1.0, ss=4, wrap=False):
        """Blend colour where inside(x, y) holds, anti-aliased with ss x ss samples per pixel."""
        x0, y0, x1, y1 = box
        step = 1.0 / ss
        for py in range(int(math.floor(y0)), int(math.ceil(y1)) + 1):
            for px in range(int(math.floor(x0)), int(math.ceil(x1)) + 1):
                hits = 0
                for sy in range(ss):
                    fy = py + (sy + 0.5) * step
                    for sx in range(ss):
                        if inside(px + (sx + 0.5) * step, fy):
                            hits += 1
                if hits:
                    if wrap:
                        self.blend(px % self.w, py % self.h, colour, alpha * hits / (ss * ss))
                    else:
                        self.blend(px, py, colour, alpha * hits / (ss * ss))

    def rgb_rows(self):
        return [[tuple(int(clamp(round(c), 0, 255)) for c in px) for px in row] for row in self.p]


# ---------------------------------------------------------------- colour reduction

class _Box:
    def __init__(self, colours, counts):
        self.colours = colours
        n = 0
        s = [0.0, 0.0, 0.0]
        s2 = [0.0, 0.0, 0.0]
        for c in colours:
            k = counts[c]
            n += k
            for i in range(3):
                s[i] += c[i] * k
                s2[i] += c[i] * c[i] * k
        self.n = n
        self.mean = tuple(s[i] / n for i in range(3))
        self.var = [s2[i] - s[i] * s[i] / n for i in range(3)]
        self.err = sum(self.var)


def median_cut(rows, n=256):
    """Reduce RGB rows to n colours; returns (palette sorted dark to light, index rows)."""
    counts = {}
    for row in rows:
        for c in row:
            counts[c] = counts.get(c, 0) + 1
    boxes = [_Box(sorted(counts), counts)]
    while len(boxes) < n:
        splittable = [b for b in boxes if len(b.colours) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: b.err)
        axis = max(range(3), key=lambda i: box.var[i])
        cols = sorted(box.colours, key=lambda c: (c[axis], c))
        half = box.n / 2.0
        acc = 0
        cut = 1
        for i, c in enumerate(cols[:-1]):
            acc += counts[c]
            cut = i + 1
            if acc >= half:
                break
        boxes.remove(box)
        boxes.append(_Box(cols[:cut], counts))
        boxes.append(_Box(cols[cut:], counts))
    boxes.sort(key=lambda b: (0.299 * b.mean[0] + 0.587 * b.mean[1] + 0.114 * b.mean[2], b.mean))
    palette = []
    lookup = {}
    for i, b in enumerate(boxes):
        palette.append(tuple(int(round(v)) for v in b.mean))
        for c in b.colours:
            lookup[c] = i
    while len(palette) < n:
        palette.append((0, 0, 0))
    return palette, [[lookup[c] for c in row] for row in rows]


# ---------------------------------------------------------------- file writers

def bmp_bytes(width, height, bits, palette, rows):
    """A Windows bitmap file: BITMAPFILEHEADER, BITMAPINFOHEADER, colour table, rows bottom-up."""
    stride = ((width * bits + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        pixels += pack_row(row, bits, stride)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + bytes(pixels)


def pack_row(row, bits, stride):
    out = bytearray()
    if bits == 8:
        out += bytes(row)
    elif bits == 4:
        for i in range(0, len(row), 2):
            hi = row[i]
            lo = row[i + 1] if i + 1 < len(row) else 0
            out.append((hi << 4) | lo)
    elif bits == 1:
        for i in range(0, len(row), 8):
            v = 0
            for j in range(8):
                if i + j < len(row) and row[i + j]:
                    v |= 0x80 >> j
            out.append(v)
    out += bytes(stride - len(out))
    return out


def ico_bytes(images):
    """A Windows icon file with one 16-colour image per entry; images are rows of VGA index or None."""
    blobs = []
    for rows in images:
        h, w = len(rows), len(rows[0])
        xor = [[0 if c is None else c for c in row] for row in rows]
        mask = [[1 if c is None else 0 for c in row] for row in rows]
        xstride = ((w * 4 + 31) // 32) * 4
        mstride = ((w + 31) // 32) * 4
        bits = bytearray()
        for row in reversed(xor):
            bits += pack_row(row, 4, xstride)
        for row in reversed(mask):
            bits += pack_row(row, 1, mstride)
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, len(bits), 0, 0, 0, 0)
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
        blobs.append((w, h, info + table + bytes(bits)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for w, h, blob in blobs:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    return bytes(out)


def png_bytes(rows):
    """A truecolour PNG of RGB rows (for looking at the art, not shipped)."""
    h, w = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- textures

def wrap_diff(field, x, y, w, h):
    """Slope of a wrapping height field at (x, y): (d/dx, d/dy)."""
    return ((field[y][(x + 1) % w] - field[y][(x - 1) % w]) * 0.5,
            (field[(y + 1) % h][x] - field[(y - 1) % h][x]) * 0.5)


def lit(field, x, y, w, h, strength):
    """Brightness factor of a height field lit from the top left."""
    dx, dy = wrap_diff(field, x, y, w, h)
    return 1.0 + strength * (-dx - dy)


def rock_white():
    w = h = 96
    base = Fbm(1311, 3, 3, 6, 0.55)
    ridges = Fbm(1312, 2, 2, 4, 0.5)
    warp_u = Fbm(1313, 2, 2, 3)
    warp_v = Fbm(1314, 2, 2, 3)
    crack_fade = Fbm(1315, 3, 3, 2)
    tint = Fbm(1316, 2, 2, 2)
    plates = Worley(1317, w, h, 3, 3)
    pits = Worley(1318, w, h, 16, 16)
    rng = random.Random(1319)
    height = [[0.0] * w for _ in range(h)]
    crack = [[0.0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            wu = u + 0.09 * warp_u.at(u, v)
            wv = v + 0.09 * warp_v.at(u, v)
            f1, f2, _ = plates.at(wu * w, wv * h)
            # Cracks come and go along their length, so the plates never look laid out.
            c = (1.0 - smoothstep(0.0, 1.4, f2 - f1)) * smoothstep(-0.25, 0.25, crack_fade.at(u, v))
            p1, _, pr = pits.at(x + 0.5, y + 0.5)
            pit = (1.0 - smoothstep(0.2 + pr * 3, 1.0 + pr * 4, p1)) if pr < 0.14 else 0.0
            crack[y][x] = max(c, 0.6 * pit)
            height[y][x] = (0.5 + 0.35 * base.at(wu, wv) + 0.3 * ridges.ridged(u, v)
                            - 0.3 * c - 0.25 * pit)
    img = Img(w, h)
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            hv = height[y][x]
            col = ramp([(0.0, (160, 156, 150)), (0.3, (204, 201, 194)), (0.6, (232, 230, 224)),
                        (1.0, (250, 249, 245))], hv)
            t = tint.at(u, v)
            col = mix(col, mix(col, (240, 228, 204), 0.55), clamp(t * 1.4))
            col = mix(col, mix(col, (212, 220, 230), 0.45), clamp(-t * 1.4))
            col = scale(col, clamp(lit(height, x, y, w, h, 3.2), 0.55, 1.18))
            col = mix(col, (110, 106, 100), 0.55 * crack[y][x])
            r = rng.random()
            if r < 0.025:
                col = scale(col, 0.8)
            elif r > 0.985:
                col = mix(col, (255, 255, 255), 0.6)
            img.p[y][x] = scale(col, 0.975 + 0.05 * rng.random())
    return img


def rock_yellow():
    w, h = 52, 28
    chunks = Worley(1321, w, h, 5, 3)
    base = Fbm(1322, 4, 2, 4, 0.55)
    warp = Fbm(1323, 2, 1, 3)
    rng = random.Random(1324)
    slopes = [(rng.uniform(-1, 1), rng.uniform(-1, 1), rng.uniform(-0.5, 0.5)) for _ in range(64)]
    height = [[0.0] * w for _ in range(h)]
    edge = [[0.0] * w for _ in range(h)]
    shade = [[0.0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            wx = x + 0.5 + 4.0 * warp.at(u, v)
            wy = y + 0.5 + 3.0 * warp.at(v, u)
            f1, f2, r, dx, dy = chunks.near(wx, wy)
            sx, sy, tone = slopes[int(r * 64)]
            # Each chunk of rock is a tilted facet; the joints between chunks are low.
            e = 1.0 - smoothstep(0.0, 1.3, f2 - f1)
            edge[y][x] = e
            shade[y][x] = tone
            height[y][x] = 0.5 + 0.06 * (sx * dx + sy * dy) + 0.4 * base.at(u, v) - 0.5 * e
    img = Img(w, h)
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            col = ramp([(0.0, (150, 100, 34)), (0.35, (204, 156, 66)), (0.7, (230, 192, 104)),
                        (1.0, (246, 222, 150))], 0.5 + 0.5 * base.at(u, v) + 0.3 * shade[y][x])
            col = mix(col, (200, 124, 52), 0.3 * clamp(-shade[y][x] * 2))
            col = scale(col, clamp(lit(height, x, y, w, h, 1.6), 0.6, 1.25))
            col = mix(col, (112, 72, 24), 0.55 * edge[y][x])
            r = rng.random()
            if r < 0.05:
                col = scale(col, 0.84)
            elif r > 0.96:
                col = mix(col, (255, 244, 210), 0.4)
            img.p[y][x] = col
    return img


def pattern_green():
    w, h = 106, 132
    cw, ch = 53.0, 66.0  # one diamond of the trellis
    cloth = Fbm(1351, 6, 8, 3)
    rng = random.Random(1352)
    img = Img(w, h)
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            # Fine woven look: alternating threads plus soft blotches.
            weave = 0.5 + 0.25 * ((x + y) % 2) + 0.25 * ((x // 2 + y // 2) % 2)
            base = mix((26, 78, 44), (40, 104, 58), 0.5 + 0.5 * cloth.at(u, v))
            img.p[y][x] = scale(base, 0.94 + 0.08 * weave + 0.03 * rng.random())

    def lattice_dist(px, py):
        """Distance in pixels to the nearest trellis line (both diagonals)."""
        a, b = px / cw, py / ch
        d1 = abs((a - b) - round(a - b))
        d2 = abs((a + b) - round(a + b))
        # A line a-b=k has unit-normal distance k * (cw*ch)/sqrt(cw^2+ch^2).
        k = cw * ch / math.hypot(cw, ch)
        return min(d1, d2) * k

    # Trellis: dark outline, pale band, thin bright core.
    img.shape(lambda px, py: lattice_dist(px, py) < 2.6, (0, 0, w - 1, h - 1), (14, 46, 24), 0.9)
    img.shape(lambda px, py: lattice_dist(px, py) < 1.7, (0, 0, w - 1, h - 1), (150, 196, 118), 1.0)
    img.shape(lambda px, py: lattice_dist(px, py) < 0.55, (0, 0, w - 1, h - 1), (214, 236, 170), 1.0)

    centres = []  # middles of the diamonds: flowers in every other one, small sprigs in the rest
    sprigs = []
    for j in range(-1, 5):
        for i in range(-1, 5):
            a, b = ((i + 0.5) * cw, j * ch), (i * cw, (j + 0.5) * ch)
            if (i + j) % 2 == 0:
                a, b = b, a
            centres.append(a)
            sprigs.append(b)
    for cx, cy in sprigs:
        box = (cx - 8, cy - 8, cx + 8, cy + 8)
        for k in range(4):
            dx, dy = [(0, -4.2), (4.2, 0), (0, 4.2), (-4.2, 0)][k]
            img.shape(lambda px, py, dx=dx, dy=dy: math.hypot(px - cx - dx, py - cy - dy) < 1.9, box,
                      (16, 52, 28), 0.9, wrap=True)
            img.shape(lambda px, py, dx=dx, dy=dy: math.hypot(px - cx - dx, py - cy - dy) < 1.2, box,
                      (120, 178, 98), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - cx, py - cy) < 1.2, box, (200, 170, 70), 1.0, wrap=True)
    knots = [(i * cw * 0.5, j * ch * 0.5) for i in range(-1, 6) for j in range(-1, 6) if (i + j) % 2 == 0]

    def petal(px, py, cx, cy, ang, length, width):
        dx, dy = px - cx, py - cy
        ca, sa = math.cos(ang), math.sin(ang)
        along = dx * ca + dy * sa
        across = -dx * sa + dy * ca
        if along < 0:
            return False
        t = along / length
        half = width * math.sin(math.pi * clamp(t)) ** 0.8
        return t <= 1.0 and abs(across) <= half

    seen = set()
    for cx, cy in centres:
        key = (round(cx % w, 3), round(cy % h, 3))
        if key in seen or not (-30 < cx < w + 30 and -30 < cy < h + 30):
            continue
        seen.add(key)
        box = (cx - 18, cy - 18, cx + 18, cy + 18)
        for k in range(4):
            ang = k * math.pi / 2 + math.pi / 4
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 13.0, 4.2), box, (12, 40, 20), 0.7, wrap=True)
        for k in range(4):
            ang = k * math.pi / 2
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 15.0, 5.0), box, (12, 40, 20), 1.0, wrap=True)
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 14.0, 4.0), box, (104, 168, 84), 1.0, wrap=True)
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 11.5, 2.2), box, (168, 214, 128), 1.0, wrap=True)
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 9.0, 0.6), box, (60, 120, 56), 0.8, wrap=True)
        for k in range(4):
            ang = k * math.pi / 2 + math.pi / 4
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 10.0, 3.2), box, (70, 138, 70), 1.0, wrap=True)
            img.shape(lambda px, py, a=ang: petal(px, py, cx, cy, a, 8.0, 1.4), box, (130, 190, 104), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - cx, py - cy) < 3.6, box, (60, 40, 10), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - cx, py - cy) < 2.8, box, (226, 182, 64), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - cx + 0.8, py - cy + 0.8) < 1.1, box, (255, 240, 170), 1.0, wrap=True)
    for kx, ky in knots:
        key = (round(kx % w, 3), round(ky % h, 3))
        if key in seen:
            continue
        seen.add(key)
        box = (kx - 5, ky - 5, kx + 5, ky + 5)
        img.shape(lambda px, py: math.hypot(px - kx, py - ky) < 3.4, box, (14, 46, 24), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - kx, py - ky) < 2.5, box, (212, 176, 70), 1.0, wrap=True)
        img.shape(lambda px, py: math.hypot(px - kx + 0.7, py - ky + 0.7) < 1.0, box, (255, 236, 160), 1.0, wrap=True)
    return img


def brick_granite():
    w, h = 140, 188
    rows = [23, 24, 23, 24, 23, 24, 23, 24]  # eight courses fill the height exactly
    brick_w = 70
    mortar = 3
    grains = Worley(1381, w, h, 56, 75)
    fine = Worley(1382, w, h, 110, 148)
    cloud = Fbm(1383, 4, 5, 4)
    mortar_noise = Fbm(1384, 14, 19, 2)
    rng = random.Random(1385)
    minerals = [  # (share, colour): pink feldspar, grey feldspar, quartz, mica
        (0.34, (196, 150, 140)), (0.26, (150, 146, 148)), (0.22, (214, 210, 212)),
        (0.10, (112, 100, 104)), (0.08, (34, 32, 36)),
    ]

    def mineral(r):
        acc = 0.0
        for share, col in minerals:
            acc += share
            if r < acc:
                return col
        return minerals[-1][1]

    # Which brick each pixel belongs to and how far it is from the brick's edges.
    tints = {}
    img = Img(w, h)
    top = 0
    for course, rh in enumerate(rows):
        shift = 0 if course % 2 == 0 else brick_w // 2
        for y in range(top, top + rh):
            for x in range(w):
                u, v = (x + 0.5) / w, (y + 0.5) / h
                bx = (x - shift) % w
                index = (course, (x - shift) // brick_w % (w // brick_w))
                if index not in tints:
                    tints[index] = (rng.uniform(0.86, 1.1), rng.uniform(-0.08, 0.08))
                lx = bx % brick_w  # position inside the brick, mortar on its right and bottom
                ly = y - top
                in_x = lx < brick_w - mortar
                in_y = ly < rh - mortar
                mn = 0.5 + 0.5 * mortar_noise.at(u, v)
                if not (in_x and in_y):
                    col = mix((128, 124, 116), (170, 166, 156), mn)
                    # Shadow under the brick above and right of the brick to the left.
                    if not in_y and in_x and ly == rh - mortar:
                        col = scale(col, 0.62)
                    elif not in_x and in_y and lx == brick_w - mortar:
                        col = scale(col, 0.75)
                    img.p[y][x] = scale(col, 0.93 + 0.1 * rng.random())
                    continue
                r1 = grains.at(x + 0.5, y + 0.5)[2]
                r2 = fine.at(x + 0.5, y + 0.5)[2]
                col = mix(mineral(r1), mineral(r2), 0.35)
                bright, warm = tints[index]
                col = (col[0] * (1 + warm), col[1], col[2] * (1 - warm * 0.6))
                col = scale(col, bright * (0.9 + 0.14 * cloud.at(u, v)))
                col = scale(col, 0.93 + 0.1 * rng.random())
                # Chiselled edges: light on the top and left, shade on the bottom and right.
                ex_r = brick_w - mortar - 1 - lx
                ey_b = rh - mortar - 1 - ly
                if ly == 0 or lx == 0:
                    col = mix(col, (236, 232, 228), 0.55 if min(ly, lx) == 0 else 0.0)
                elif ly == 1 or lx == 1:
                    col = mix(col, (236, 232, 228), 0.22)
                if ey_b == 0 or ex_r == 0:
                    col = scale(col, 0.58)
                elif ey_b == 1 or ex_r == 1:
                    col = scale(col, 0.8)
                img.p[y][x] = col
        top += rh
    # Roll the wall so that the tile's edges run through the middle of bricks, not along joints.
    img.p = [row[20:] + row[:20] for row in img.p[11:] + img.p[:11]]
    return img


FONT_3X5 = {
    "0": ["111", "101", "101", "101", "111"], "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"], "3": ["111", "001", "011", "001", "111"],
    "4": ["101", "101", "111", "001", "001"], "5": ["111", "100", "111", "001", "111"],
    "6": ["111", "100", "111", "101", "111"], "7": ["111", "001", "010", "010", "010"],
    "8": ["111", "101", "111", "101", "111"], "9": ["111", "101", "111", "001", "111"],
    "A": ["010", "101", "111", "101", "101"], "B": ["110", "101", "110", "101", "110"],
    "D": ["110", "101", "101", "101", "110"], "E": ["111", "100", "110", "100", "111"],
    "F": ["111", "100", "110", "100", "100"], "H": ["101", "101", "111", "101", "101"],
    "K": ["101", "101", "110", "101", "101"], "N": ["1001", "1101", "1011", "1001", "1001"],
    "O": ["010", "101", "101", "101", "010"], "R": ["110", "101", "110", "101", "101"],
    "S": ["011", "100", "010", "001", "110"], "T": ["111", "010", "010", "010", "010"],
    "U": ["101", "101", "101", "101", "111"], " ": ["000", "000", "000", "000", "000"],
}


def text_width(s):
    return sum(len(FONT_3X5[ch][0]) + 1 for ch in s) - 1


def draw_text(img, x, y, s, colour, alpha=1.0):
    for ch in s:
        glyph = FONT_3X5[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == "1":
                    img.blend(x + gx, y + gy, colour, alpha)
        x += len(glyph[0]) + 1


def numeral_shape(ch, x0, y0, gw, gh, stroke):
    """Inside-test for a bold engraved digit '1' or '0' in the box (x0, y0, gw, gh)."""
    if ch == "0":
        cx, cy = x0 + gw / 2, y0 + gh / 2
        rx, ry = gw / 2, gh / 2

        def inside(px, py):
            d = ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2
            di = ((px - cx) / (rx - stroke)) ** 2 + ((py - cy) / (ry - stroke * 0.75)) ** 2
            return d <= 1.0 and di >= 1.0
        return inside
    stem_l = x0 + gw / 2 - stroke / 2

    def inside_one(px, py):
        if stem_l <= px <= stem_l + stroke and y0 <= py <= y0 + gh:
            return True
        # the flag: a slanted stroke to the upper left of the stem
        fx = stem_l - px
        fy = py - y0
        if 0 <= fx <= gw * 0.42 and abs(fy - fx * 0.7) <= stroke * 0.5:
            return True
        return y0 + gh - stroke * 0.8 <= py <= y0 + gh and x0 + gw * 0.12 <= px <= x0 + gw * 0.88
    return inside_one


def draw_numerals(img, s, x, y, gw, gh, gap, stroke, fill, edge):
    for ch in s:
        box = (x - 2, y - 2, x + gw + 2, y + gh + 2)
        grown = numeral_shape(ch, x - 0.9, y - 0.9, gw + 1.8, gh + 1.8, stroke + 1.8)
        img.shape(grown, box, edge, 1.0)
        img.shape(numeral_shape(ch, x, y, gw, gh, stroke), box, fill, 1.0)
        x += gw + gap


def money():
    w, h = 169, 105
    paper = (224, 232, 208)
    ink = (30, 82, 54)
    mid_ink = (92, 142, 104)
    light_ink = (158, 194, 150)
    fibres = Fbm(1401, 8, 5, 4)
    rng = random.Random(1402)
    img = Img(w, h)
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5) / w, (y + 0.5) / h
            col = mix(paper, (236, 236, 212), 0.5 + 0.5 * fibres.at(u, v))
            # Guilloche background: two families of fine waves crossing each other.
            a = abs(math.sin(0.55 * x + 2.4 * math.sin(2 * math.pi * y / 35.0)))
            b = abs(math.sin(0.55 * y + 2.4 * math.sin(2 * math.pi * x / 42.25)))
            col = mix(col, light_ink, 0.55 * smoothstep(0.35, 0.0, a))
            col = mix(col, (188, 208, 170), 0.45 * smoothstep(0.35, 0.0, b))
            # A soft greenish tint towards the middle, paler at the ends.
            col = mix(col, (206, 224, 196), 0.5 * math.sin(math.pi * u))
            img.p[y][x] = scale(col, 0.985 + 0.03 * rng.random())

    # Frame: dark outer band, a row of beads, a fine inner rule.
    for y in range(h):
        for x in range(w):
            d = min(x, y, w - 1 - x, h - 1 - y)
            if d == 0:
                img.p[y][x] = (16, 54, 34)
            elif d <= 2:
                img.p[y][x] = ink
            elif d == 9:
                img.blend(x, y, ink, 0.9)
    for side in range(4):
        length = w if side % 2 == 0 else h
        count = int((length - 12) // 6)
        step = (length - 12) / count
        for i in range(count + 1):
            t = 6 + i * step
            cx, cy = [(t, 6.0), (w - 6.0, t), (t, h - 6.0), (6.0, t)][side]
            box = (cx - 3, cy - 3, cx + 3, cy + 3)
            img.shape(lambda px, py: math.hypot(px - cx, py - cy) < 2.6, box, ink, 1.0)
            img.shape(lambda px, py: math.hypot(px - cx, py - cy) < 1.5, box, (200, 222, 184), 1.0)

    # Portrait in an oval on the left, done in engraving lines.
    ox, oy, orx, ory = 40.0, 54.0, 20.0, 27.0
    hx, hy = ox + 0.5, oy - 7.0  # middle of the face

    def in_oval(px, py, grow=0.0):
        return ((px - ox) / (orx + grow)) ** 2 + ((py - oy) / (ory + grow)) ** 2 <= 1.0

    def tone(px, py):
        """Darkness of the engraving at a point: 0 paper, 1 solid ink."""
        t = 0.2 + 0.12 * (py - (oy - ory)) / (2 * ory)  # backdrop, darker towards the bottom
        if ((px - ox) / 21.0) ** 2 + ((py - (oy + 24)) / 15.0) ** 2 <= 1.0:
            t = 0.8  # coat
            if abs(px - hx) < (py - (oy + 7)) * 0.55 and py < oy + 27:
                t = 0.08  # shirt
                if abs(px - hx) < 1.3 and py > oy + 10:
                    t = 0.9  # tie
        if abs(px - hx) < 4.6 and hy + 6 < py < oy + 10:
            t = 0.45 + 0.3 * clamp((px - hx) / 4.6)  # neck, in the shadow of the chin
        face = ((px - hx) / 8.0) ** 2 + ((py - hy) / (10.0 if py > hy else 11.0)) ** 2
        if face <= 1.0:
            t = 0.16 + 0.32 * clamp((px - hx) / 8.0 + 0.15)  # lit from the left
            if abs(py - (hy - 1.2)) < 0.8 and 1.2 < abs(px - hx) < 4.6:
                t = 0.85  # eyes and brows
            if py > hy + 5.2 and py < hy + 6.2 and abs(px - hx) < 2.6:
                t = 0.7  # mouth
            if hx + 0.2 < px < hx + 1.4 and hy < py < hy + 3.5:
                t = 0.6  # nose shadow
        hair = ((px - hx) / 9.2) ** 2 + ((py - (hy - 2.0)) / 10.2) ** 2
        if hair <= 1.0 and (py < hy - 4.0 - 0.1 * abs(px - hx) or abs(px - hx) > 7.2 and py < hy + 1.5):
            t = 0.82
        return t

    def engraved(px, py):
        if not in_oval(px, py):
            return False
        face = math.hypot((px - hx) / 8.0, (py - hy) / 10.5)
        if face < 1.0:
            # Across the face the lines bow a little, following the round of the head.
            phase = py / 1.6 - 0.9 * math.cos(math.pi * clamp((px - hx) / 8.0, -1, 1) / 2)
        else:
            phase = py / 1.9 + 0.5 * math.sin(px / 4.0)
        return (phase - math.floor(phase)) < tone(px, py)

    img.shape(lambda px, py: in_oval(px, py, 2.6), (ox - 24, oy - 31, ox + 24, oy + 31), (214, 228, 202), 1.0)
    img.shape(engraved, (ox - 21, oy - 28, ox + 21, oy + 28), ink, 1.0, ss=4)
    img.shape(lambda px, py: in_oval(px, py, 2.6) and not in_oval(px, py, 0.6),
              (ox - 24, oy - 31, ox + 24, oy + 31), ink, 1.0)
    img.shape(lambda px, py: in_oval(px, py, 4.4) and not in_oval(px, py, 3.6),
              (ox - 26, oy - 33, ox + 26, oy + 33), mid_ink, 1.0)

    # Rosette on the right: braided guilloche rings.
    rx, ry, rr = 137.0, 50.0, 21.0

    def rosette(px, py):
        r = math.hypot(px - rx, py - ry)
        if r > rr:
            return False
        a = math.atan2(py - ry, px - rx)
        for k in range(5):
            band = 13.2 + 4.6 * math.sin(9 * a + k * 2 * math.pi / 5)
            if abs(r - band) < 0.45:
                return True
        for k in range(3):
            band = 6.0 + 2.0 * math.sin(6 * a + k * 2 * math.pi / 3)
            if abs(r - band) < 0.4:
                return True
        return abs(r - (rr - 1.5)) < 0.5 or abs(r - (rr - 0.2)) < 0.4

    box = (rx - rr - 2, ry - rr - 2, rx + rr + 2, ry + rr + 2)
    img.shape(lambda px, py: math.hypot(px - rx, py - ry) < rr, box, (214, 228, 200), 0.8)
    img.shape(rosette, box, (40, 112, 76), 1.0)
    draw_numerals(img, "100", rx - 9.5, ry - 5.5, 5, 11, 1.5, 2.0, ink, (224, 234, 212))

    # Value: large in the middle, small in three corners.
    mid = 91
    draw_numerals(img, "100", mid - 19.5, 27, 11, 22, 3, 3.6, (46, 110, 72), (16, 54, 34))
    draw_numerals(img, "100", 13, 13, 4, 8, 1.5, 1.5, ink, paper)
    draw_numerals(img, "100", w - 13 - 15, 13, 4, 8, 1.5, 1.5, ink, paper)
    draw_numerals(img, "100", w - 13 - 15, h - 13 - 8, 4, 8, 1.5, 1.5, ink, paper)

    draw_text(img, mid - text_width("BANK OF NOTES") // 2, 15, "BANK OF NOTES", ink)
    draw_text(img, mid - text_width("ONE HUNDRED") // 2, 57, "ONE HUNDRED", ink)
    draw_text(img, mid - text_width("AB 0417295") // 2, 84, "AB 0417295", (176, 36, 30))

    # Red seal with a toothed edge.
    sx, sy = 123.0, 82.0

    def seal(px, py):
        r = math.hypot(px - sx, py - sy)
        a = math.atan2(py - sy, px - sx)
        return r < 7.0 + 0.8 * math.cos(16 * a)

    img.shape(seal, (sx - 10, sy - 10, sx + 10, sy + 10), (186, 44, 36), 0.9)
    img.shape(lambda px, py: abs(math.hypot(px - sx, py - sy) - 4.5) < 0.5, (sx - 7, sy - 7, sx + 7, sy + 7),
              (246, 196, 170), 0.9)
    img.shape(lambda px, py: math.hypot(px - sx, py - sy) < 2.0, (sx - 3, sy - 3, sx + 3, sy + 3),
              (246, 196, 170), 0.9)
    # A thin rule under the value with small stars at its ends.
    img.shape(lambda px, py: abs(py - 66.5) < 0.45 and mid - 24 < px < mid + 24, (mid - 26, 64, mid + 26, 69), mid_ink)
    for ex in (mid - 27, mid + 27):
        img.shape(lambda px, py, ex=ex: abs(px - ex) + abs(py - 66.5) < 2.2, (ex - 3, 63, ex + 3, 70), ink)
    return img


TEXTURE_PAINTERS = {131: rock_white, 132: rock_yellow, 135: pattern_green, 138: brick_granite, 140: money}


# ---------------------------------------------------------------- icons and toolbar (16 colours)

class Canvas:
    """Rows of VGA colour indices; None is transparent."""

    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.p = [[fill] * w for _ in range(h)]

    def px(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.p[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.px(x, y0, c)
            self.px(x, y1, c)
        for y in range(y0, y1 + 1):
            self.px(x0, y, c)
            self.px(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.px(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def art(self, x, y, rows, keys=None):
        """Copy a pixel-art table; '.' and ' ' leave the canvas as it is."""
        keys = keys or VGA_KEYS
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in ". ":
                    continue
                self.px(x + i, y + j, keys[ch])


def scale2x(rows):
    """Twice the size by the Scale2x rule: edges between two colours are followed, not stepped in 2 x 2 blocks."""
    h, w = len(rows), len(rows[0])
    out = [[None] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p = rows[y][x]
            a = rows[y - 1][x] if y > 0 else p
            d = rows[y + 1][x] if y + 1 < h else p
            c = rows[y][x - 1] if x > 0 else p
            b = rows[y][x + 1] if x + 1 < w else p
            out[2 * y][2 * x] = a if (c == a and c != d and a != b) else p
            out[2 * y][2 * x + 1] = b if (a == b and a != c and b != d) else p
            out[2 * y + 1][2 * x] = c if (d == c and d != b and c != a) else p
            out[2 * y + 1][2 * x + 1] = d if (b == d and b != a and d != c) else p
    return out


def check_art(rows, w, h, name):
    assert len(rows) == h, "%s: %d rows, want %d" % (name, len(rows), h)
    for i, r in enumerate(rows):
        assert len(r) == w, "%s row %d: %d columns, want %d" % (name, i, len(r), w)
        for ch in r:
            assert ch in ". " or ch in VGA_KEYS, "%s row %d: unknown colour %r" % (name, i, ch)


def icon_waste_bin():
    c = Canvas(32, 32)
    k, dk, sv, wh = 0, 8, 7, 15
    # Handle on the lid.
    c.rect(12, 2, 19, 2, k)
    c.rect(11, 3, 11, 4, k)
    c.rect(20, 3, 20, 4, k)
    c.rect(12, 3, 19, 3, sv)
    c.px(12, 3, wh)
    c.px(19, 3, dk)
    # Lid: black rim, lit top edge, shaded to the right.
    c.rect(5, 5, 26, 5, k)
    c.rect(3, 6, 28, 9, k)
    c.rect(4, 6, 24, 6, wh)
    c.rect(25, 6, 27, 6, sv)
    c.rect(4, 7, 21, 7, sv)
    c.rect(22, 7, 27, 7, dk)
    c.rect(4, 8, 27, 8, dk)
    # Body: a slightly tapered can, lit from the left, with ribs.
    for y in range(10, 30):
        t = (y - 10) / 19.0
        xl = int(round(5 + 2 * t))
        xr = int(round(26 - 2 * t))
        c.px(xl, y, k)
        c.px(xr, y, k)
        for x in range(xl + 1, xr):
            f = (x - xl) / float(xr - xl)
            col = wh if f < 0.28 else sv if f < 0.62 else dk
            if 0.18 < f < 0.25:
                col = sv
            c.px(x, y, col)
        if 12 <= y <= 26:
            for rib in (0.24, 0.44, 0.64, 0.82):
                x = int(round(xl + rib * (xr - xl)))
                c.px(x, y, dk if rib < 0.6 else k)
                c.px(x + 1, y, wh if rib < 0.4 else sv if rib < 0.7 else dk)
    c.rect(6, 10, 25, 10, dk)
    c.rect(7, 29, 24, 29, k)
    c.rect(8, 28, 23, 28, dk)
    c.px(7, 28, k)
    c.px(24, 28, k)
    return c


def icon_storage():
    c = Canvas(32, 32)
    # A card-index drawer pulled open, seen from a little above: cards stand in it.
    rows = [
        "................................",
        "................................",
        "................................",
        "........kkkkkkkkkk..............",
        "........kwwwwwwwwk..............",
        "........kwddddddwkkkkkkkkkk.....",
        "........kwwwwwwwwkYYYYYYYYk.....",
        ".....kkkkkkkkkkkkkkkkkYYYYk.....",
        ".....kCCCCCCCCCCCCCCCkYYYYkk....",
        "....kkkkkkkkkkkkkkkkkkkkkkkdk...",
        "....kwwwwwwwwwwwwwwwwwwwwwkddk..",
        "...kkkkkkkkkkkkkkkkkkkkkkkkkddk.",
        "...kYYYYYYYYYYYYYYYYYYYYYYYkdddk",
        "..kkkkkkkkkkkkkkkkkkkkkkkkkkkddk",
        "..kddddddddddddddddddddddddddkdk",
        "..kwwwwwwwwwwwwwwwwwwwwwwwwwwkdk",
        "..kwsssssssssssssssssssssssswkdk",
        "..kwsssssssssssssssssssssssswkdk",
        "..kwssssssskkkkkkkkkkssssssswkdk",
        "..kwssssssskwwwwwwwwkssssssswkdk",
        "..kwssssssskwddddddwkssssssswkdk",
        "..kwssssssskkkkkkkkkkssssssswkdk",
        "..kwsssssssssssssssssssssssswkdk",
        "..kwsssssskkkkkkkkkkkksssssswkdk",
        "..kwsssssskddddddddddksssssswkdk",
        "..kwssssssskkkkkkkkkkssssssswkdk",
        "..kwsssssssssssssssssssssssswkdk",
        "..kdddddddddddddddddddddddddddkk",
        "..kkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
        "................................",
        "................................",
        "................................",
    ]
    check_art(rows, 32, 32, "storage")
    c.art(0, 0, rows)
    return c


def icon_board(small=False):
    if small:
        rows = [
            "................",
            "kkkkkkkkkkkkkkkk",
            "kYYYYYYYYYYYYYok",
            "kYttttttttttttok",
            "kYtRRRRRttttttok",
            "kYtYYYYYktttttok",
            "kYtYdddYkBBBBtok",
            "kYtYYYYYkwwwwkok",
            "kYtYdddYkwddwkok",
            "kYttkkkkkwwwwkok",
            "kYtttttttwddwkok",
            "kYttttttttkkkkok",
            "kYoooooooooooook",
            "kkkkkkkkkkkkkkkk",
            ".kk..........kk.",
            "................",
        ]
        check_art(rows, 16, 16, "board16")
        c = Canvas(16, 16)
        c.art(0, 0, rows)
        return c
    c = Canvas(32, 32)
    # Wooden frame and a teal pin board.
    c.rect(1, 3, 30, 27, 0)
    c.rect(2, 4, 29, 26, 3)
    c.rect(2, 4, 29, 4, 11)
    c.rect(2, 4, 2, 26, 11)
    c.rect(4, 6, 27, 24, 0)
    c.rect(5, 7, 27, 24, 6)
    c.rect(5, 7, 26, 7, 4)
    c.rect(5, 7, 5, 23, 4)
    # Legs of the easel.
    c.rect(6, 28, 8, 28, 0)
    c.rect(23, 28, 25, 28, 0)
    c.rect(5, 29, 7, 30, 0)
    c.rect(24, 29, 26, 30, 0)

    def note(x, y, w, h, cap, body, text):
        c.rect(x + 1, y + 1, x + w, y + h, 0)  # shadow
        c.frame(x, y, x + w - 1, y + h - 1, 0)
        c.rect(x + 1, y + 1, x + w - 2, y + 2, cap)
        c.rect(x + 1, y + 3, x + w - 2, y + h - 2, body)
        for ty in range(y + 5, y + h - 2, 2):
            c.rect(x + 2, ty, x + w - 3 - (2 if (ty // 2) % 2 else 0), ty, text)

    note(7, 9, 10, 9, 9, 11, 8)
    note(18, 8, 8, 8, 12, 15, 8)
    note(13, 15, 10, 9, 9, 15, 8)
    return c


def icon_document(small=False):
    if small:
        rows = [
            "..kkkkkkkkk.....",
            "..kwwwwwwwkk....",
            "..kwwwwwwwkwk...",
            "..kwwwwwwwkkkk..",
            "..kwddddddwwdk..",
            "..kwwwwwwwwwwk..",
            "kkkkkkkkdwwwwk..",
            "kRRRRRRkwwwwwk..",
            "kYYYYYYkdddwwk..",
            "kYkkkkYkwwwwwk..",
            "kYYYYYYkdddwwk..",
            "kYkkkYYkwwwwwk..",
            "kYYYYYYkwwwwwk..",
            "kkkkkkkkddddwk..",
            "..kwwwwwwwwwwk..",
            "..kkkkkkkkkkkk..",
        ]
        check_art(rows, 16, 16, "doc16")
        c = Canvas(16, 16)
        c.art(0, 0, rows)
        return c
    rows = [
        "......kkkkkkkkkkkkkkkkk.........",
        "......kwwwwwwwwwwwwwwwkk........",
        "......kwwwwwwwwwwwwwwwkwk.......",
        "......kwwwwwwwwwwwwwwwkwwk......",
        "......kwwwwwwwwwwwwwwwkwwwk.....",
        "......kwwwwwwwwwwwwwwwkwwwwk....",
        "......kwwwwwwwwwwwwwwwkkkkkkk...",
        "......kwwddddddddddddwwwwwwdk...",
        "......kwwwwwwwwwwwwwwwwwwwwdk...",
        "......kwwddddddddddddddddwwdk...",
        "......kwwwwwwwwwwwwwwwwwwwwdk...",
        "..kkkkkkkkkkkkkkkdddddddwwwdk...",
        "..kRRRRRRRRRRRRRkwwwwwwwwwwdk...",
        "..kRRRRRRRRRRRRRkkdddddddwwdk...",
        "..kYYYYYYYYYYYYYkkwwwwwwwwwdk...",
        "..kYYYYYYYYYYYYYkkdddddddwwdk...",
        "..kYYddddddddYYYkkwwwwwwwwwdk...",
        "..kYYYYYYYYYYYYYkkddddddwwwdk...",
        "..kYYddddddddddYkkwwwwwwwwwdk...",
        "..kYYYYYYYYYYYYYkkdddddddwwdk...",
        "..kYYddddddYYYYYkkwwwwwwwwwdk...",
        "..kYYYYYYYYYYYYYkkwwwwwwwwwdk...",
        "..kYYYYYYYYYYYYYkkdddddddddwk...",
        "..kkkkkkkkkkkkkkkkwwwwwwwwwdk...",
        "...kkkkkkkkkkkkkkkwwwwwwwwwdk...",
        "......kwwddddddddddddddwwwwdk...",
        "......kwwwwwwwwwwwwwwwwwwwwdk...",
        "......kwwwwwwwwwwwwwwwwwwwwdk...",
        "......kdddddddddddddddddddddk...",
        "......kkkkkkkkkkkkkkkkkkkkkkk...",
        "................................",
        "................................",
    ]
    check_art(rows, 32, 32, "document")
    c = Canvas(32, 32)
    c.art(0, 0, rows)
    return c


# Thirteen 16 x 15 toolbar images in button order; '.' is the light grey that the toolbar shows through.
TOOLBAR_ART = [
    ("New", [
        "................",
        "...kkkkkkk......",
        "...kwwwwwkk.....",
        "...kwwwwwkwk....",
        "...kwwwwwkwwk...",
        "...kwwwwwkkkkk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ]),
    ("Open", [
        "................",
        "................",
        ".kkkk...........",
        "kYYYYk..........",
        "kYYYYYkkkkkk....",
        "kYYYYYYYYYYk....",
        "kYYYkkkkkkkkkkk.",
        "kYYkwYYYYYYYYYok",
        "kYkwYYYYYYYYYok.",
        "kYkYYYYYYYYYok..",
        "kkYYYYYYYYYok...",
        "kkYYYYYYYYok....",
        "kkkkkkkkkkk.....",
        "................",
        "................",
    ]),
    ("Save", [
        "................",
        ".kkkkkkkkkkkkk..",
        ".kBkwwwwwwwkBk..",
        ".kBkwwwwwwwkBk..",
        ".kBkwdddddwkBk..",
        ".kBkwwwwwwwkBk..",
        ".kBkwdddddwkBk..",
        ".kBBkkkkkkkBBk..",
        ".kBBBBBBBBBBBk..",
        ".kBBwwwwwwwBBk..",
        ".kBBwkkwwwwBBk..",
        ".kBBwkkwwwwBBk..",
        ".kBBwkkwwwwBBk..",
        ".kkkkkkkkkkkkk..",
        "................",
    ]),
    ("Cut", [
        "................",
        "....k.....k.....",
        "....k.....k.....",
        "....kk...kk.....",
        ".....k...k......",
        ".....kk.kk......",
        "......kkk.......",
        ".......k........",
        "......nkn.......",
        "....nnn.nnn.....",
        "...n..n.n..n....",
        "...n..n.n..n....",
        "...n..n.n..n....",
        "....nn...nn.....",
        "................",
    ]),
    ("Copy", [
        "................",
        "kkkkkkk.........",
        "kwwwwwkk........",
        "kwdddwkwk.......",
        "kwwwwwkkkk......",
        "kwdddkkkkkkk....",
        "kwwwwkwwwwwkk...",
        "kwdddkwdddwkwk..",
        "kwwwwkwwwwwkkkk.",
        "kwdddkwddddddwk.",
        "kkkkkkwwwwwwwwk.",
        ".....kwddddddwk.",
        ".....kwwwwwwwwk.",
        ".....kkkkkkkkkk.",
        "................",
    ]),
    ("Paste", [
        "................",
        "......kkkk......",
        "..kkkkdwwdkkkk..",
        ".kooookkkkoook..",
        ".koooooooooook..",
        ".kooookkkkkkkkk.",
        ".kooookwwwwwwwk.",
        ".kooookwdddddwk.",
        ".kooookwwwwwwwk.",
        ".kooookwdddddwk.",
        ".kooookwwwwwwwk.",
        ".kooookwddddwwk.",
        ".kooookwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    ]),
    ("Pure background", [
        "................",
        "................",
        "....kkkkk.......",
        "...k.....k......",
        "..k.......k.....",
        ".kkkkkkkkkkk....",
        ".kRRRRRRRRRkR...",
        ".kwkkkkkkkdkRR..",
        "..kwwwwwwddk.R..",
        "..kwwwwwwddk.R..",
        "..kwwwwwwddk.R..",
        "..kwwwwwwddk.R..",
        "...kwwwwddk.RRR.",
        "...kkkkkkkkRRRRR",
        "................",
    ]),
    ("Texture background", [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kRRRRRwRRRRRRk.",
        ".krrrrrwrrrrrrk.",
        ".kwwwwwwwwwwwwk.",
        ".kRRwRRRRRRwRRk.",
        ".krrwrrrrrrwrrk.",
        ".kwwwwwwwwwwwwk.",
        ".kRRRRRwRRRRRRk.",
        ".krrrrrwrrrrrrk.",
        ".kwwwwwwwwwwwwk.",
        ".kRRwRRRRRRwRRk.",
        ".krrwrrrrrrwrrk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    ]),
    ("New picture", [
        "............k...",
        "...........kYk..",
        "..........kYYYk.",
        ".........kYYwYYk",
        "..........kYYYk.",
        "kkkkkkkkkkkkYk..",
        "kCCCCCCCCCk.k...",
        "kCCCCCCYYCk.....",
        "kCCCCCCYYCk.....",
        "kCCCgCCCCCk.....",
        "kCCgggCCCgk.....",
        "kCgggggCggk.....",
        "kgggGGggggk.....",
        "kGGGGGGGGGk.....",
        "kkkkkkkkkkk.....",
    ]),
    ("Select picture", [
        "................",
        "................",
        ".kk....kk....kk.",
        ".kk....kk....kk.",
        "...kkkkkkkkkk...",
        "...kCCCCCYYk....",
        "...kCCgCCCCk....",
        ".kkkgggCCgCkkk..",
        ".kkkggggggGkkk..",
        "...kGGGGGGGk....",
        "...kkkkkkkkk....",
        ".kk....kk....kk.",
        ".kk....kk....kk.",
        "................",
        "................",
    ]),
    ("Unselect picture", [
        "................",
        "................",
        ".k.k.k.k.k.k.k..",
        "...........n....",
        ".k.kkkkkkknnk...",
        "...kCCCCCnBYk...",
        ".k.kCCgCnBnCk...",
        "...kgggnBnggk...",
        ".k.kggnBnggGk...",
        "...kGnBnGGGGk...",
        ".k.knBnkkkkkk...",
        "...nBn......k...",
        ".k.nn.k.k.k.k...",
        "................",
        "................",
    ]),
    ("Delete picture", [
        "................",
        "................",
        "kkkkkkkkkkk.....",
        "kCCCCCCYYCk.....",
        "kCCCCCCYYCk.....",
        "kCCCgCCCCCk.....",
        "kCCgggCRRCkRR...",
        "kCgggggRRRRRR...",
        "kgggGGggRRRRk...",
        "kGGGGGGGRRRRk...",
        "kkkkkkkRRRRRR...",
        ".......RRR.RRR..",
        "......RRR...RRR.",
        "................",
        "................",
    ]),
    ("Help", [
        "................",
        "k...............",
        "kk........BBBB..",
        "kwk......BBnnBB.",
        "kwwk.........BB.",
        "kwwwk.......BBn.",
        "kwwwwk.....BBn..",
        "kwwwwwk....BB...",
        "kwwwkkkk...nn...",
        "kwkwk......BB...",
        "kk.kwk.....BB...",
        "k...kwk.........",
        ".....kwk........",
        "......k.........",
        "................",
    ]),
]


def toolbar_rows():
    strip = [[SILVER] * (TOOLBAR_W * len(TOOLBAR_ART)) for _ in range(TOOLBAR_H)]
    for n, (name, art) in enumerate(TOOLBAR_ART):
        check_art(art, TOOLBAR_W, TOOLBAR_H, name)
        for y, row in enumerate(art):
            for x, ch in enumerate(row):
                if ch not in ". ":
                    strip[y][n * TOOLBAR_W + x] = VGA_KEYS[ch]
    return strip


# ---------------------------------------------------------------- help page and resource list

HELP_HTML = """<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>Zentbase Help</title>
<style>
body { font-family: sans-serif; margin: 1em 2em; line-height: 1.4; }
h1 { font-size: 150%; }
h2 { font-size: 120%; margin-top: 1.4em; border-bottom: 1px solid #bbb; }
table { border-collapse: collapse; }
td { padding: 2px 14px 2px 0; vertical-align: top; }
kbd { font-family: monospace; background: #eee; border: 1px solid #bbb; padding: 0 3px; }
</style>
</head>
<body>
<h1>Zentbase Help</h1>
<p>Zentbase is a board for sticky notes. The main window is the board: put notes on it,
move them around, give them captions and colours, and lay them over a background of your choice.
Everything on the board is saved together in one board file.</p>

<h2><a name="background">Backgrounds</a></h2>
<p>The <b>Background</b> menu and the toolbar choose what lies under your notes:</p>
<ul>
<li><b>Pure background...</b> asks for a colour and fills the board with it.</li>
<li><b>Texture background...</b> opens &ldquo;Select a texture for background&rdquo;. Pick one of the
built-in textures (Rock White, Rock Yellow, Pattern Green, Brick Cranite, Money) and look at the preview;
<b>Apply</b> shows it on the board at once, <b>OK</b> shows it and closes the window.
A texture is laid as tiles over the board; when it is wider than the window it is stretched instead.</li>
<li><b>Picture background</b> puts a picture (a JPG, GIF or BMP file) over the colour or texture:
  <ul>
  <li><b>New picture...</b> loads a picture file. It comes up 200 pixels wide and selected.</li>
  <li><b>Select picture</b> shows a frame around the picture. Drag inside the frame to move the
  picture, drag the small squares of the frame to size it.</li>
  <li><b>Unselect picture</b> hides the frame again. While the picture is selected, the mouse works on
  the picture only, so unselect it before you draw new notes.</li>
  <li><b>Delete picture</b> takes the picture off the board.</li>
  </ul></li>
</ul>

<h2><a name="notes">Notes</a></h2>
<ul>
<li>To make a note, press the left mouse button on a free spot of the board and drag to the right
and down: the rectangle you draw becomes the note. A note is at least 50 &times; 50 pixels; a smaller
rectangle is made that big. A plain click makes no note.</li>
<li>Move a note by dragging its caption; size it by dragging its frame.</li>
<li>Click into a note and type your text.</li>
<li>Double-click the frame or the caption of a note to change its caption text and its caption colour.</li>
</ul>

<h2><a name="bin">The waste bin</a></h2>
<p>The waste bin lies at the top left of the board. To get rid of a note, drag it by its caption
onto the waste bin. Zentbase asks &ldquo;Are you sure to delete this object?&rdquo;; answer <b>Yes</b>
to delete the note, <b>No</b> to keep it: it is then moved off the bin. You can drag the waste bin
itself to another place.</p>

<h2><a name="storage">The storage drawer</a></h2>
<p>Notes you do not need at the moment go into the storage drawer: drag a note onto it and the
note disappears from the board, safely kept. Double-click the drawer to open
&ldquo;Restore Objects from Storage&rdquo;: it lists the stored notes by their captions and shows the
text of the one you select. <b>Restore</b> puts it back on the board. The drawer can be dragged
to another place as well.</p>

<h2><a name="dragging">Dragging text</a></h2>
<p>Select text in a note and drag it into another note, or into another program. Text can also be
dragged from other programs into a note. Dragging moves the text; hold <kbd>Ctrl</kbd> when you
let go to copy it instead.</p>

<h2><a name="files">Files</a></h2>
<p>A board is saved as a Zentbase file (<b>.zbd</b>) with its notes, the stored notes, the
background and the places of the waste bin and the drawer. Use <b>New</b>, <b>Open...</b>,
<b>Save</b> and <b>Save As...</b> in the <b>File</b> menu or on the toolbar. The <b>File</b> menu
also lists the four boards you used last; you can open a board by dropping its file on the window.
A picture background is remembered by its file name only, without its folder.</p>

<h2><a name="keys">Keyboard shortcuts</a></h2>
<table>
<tr><td><kbd>Ctrl+N</kbd></td><td>New board</td></tr>
<tr><td><kbd>Ctrl+O</kbd></td><td>Open a board</td></tr>
<tr><td><kbd>Ctrl+S</kbd></td><td>Save the board</td></tr>
<tr><td><kbd>Ctrl+Z</kbd>, <kbd>Alt+Backspace</kbd></td><td>Undo</td></tr>
<tr><td><kbd>Ctrl+X</kbd>, <kbd>Shift+Delete</kbd></td><td>Cut</td></tr>
<tr><td><kbd>Ctrl+C</kbd>, <kbd>Ctrl+Insert</kbd></td><td>Copy</td></tr>
<tr><td><kbd>Ctrl+V</kbd>, <kbd>Shift+Insert</kbd></td><td>Paste</td></tr>
</table>
<p>Inside a note, the editing keys work on the note's text.</p>
</body>
</html>
"""

QRC_FILES = (
    [("bitmap/%d" % n, "bitmaps/%d.bmp" % n) for n in (131, 132, 135, 138, 140, 128)]
    + [("icon/%d" % n, "icons/%d.ico" % n) for n in (128, 129, 141, 142)]
    + [("icon/%d@2x" % n, "icons/%d@2x.ico" % n) for n in (128, 129, 141, 142)]
    + [("bitmap/128@2x", "bitmaps/128@2x.bmp")]
)


def qrc_text():
    lines = ["<RCC>", '    <qresource prefix="/resources">']
    for alias, path in QRC_FILES:
        lines.append('        <file alias="%s">%s</file>' % (alias, path))
    lines += ["    </qresource>", "</RCC>", ""]
    return "\n".join(lines)


# ---------------------------------------------------------------- writing everything

def generate():
    for number, name, w, h in TEXTURES:
        img = TEXTURE_PAINTERS[number]()
        assert (img.w, img.h) == (w, h), name
        palette, rows = median_cut(img.rgb_rows())
        write(os.path.join(RES, "bitmaps", "%d.bmp" % number), bmp_bytes(w, h, 8, palette, rows))
        print("%-14s %3d x %-3d %d colours" % (name, w, h, len(set(c for r in rows for c in r))))
    icons = {
        141: [icon_waste_bin()],
        142: [icon_storage()],
        128: [icon_board(), icon_board(small=True)],
        129: [icon_document(), icon_document(small=True)],
    }
    for number, images in icons.items():
        write(os.path.join(RES, "icons", "%d.ico" % number), ico_bytes([c.p for c in images]))
        write(os.path.join(RES, "icons", "%d@2x.ico" % number), ico_bytes([scale2x(c.p) for c in images]))
    write(os.path.join(RES, "bitmaps", "128.bmp"),
          bmp_bytes(TOOLBAR_W * len(TOOLBAR_ART), TOOLBAR_H, 4, VGA, toolbar_rows()))
    write(os.path.join(RES, "bitmaps", "128@2x.bmp"),
          bmp_bytes(2 * TOOLBAR_W * len(TOOLBAR_ART), 2 * TOOLBAR_H, 4, VGA, scale2x(toolbar_rows())))
    write(os.path.join(RES, "zentbase.qrc"), qrc_text())


# ---------------------------------------------------------------- reading back and checking

def read_dib(data, offset, expect_height_factor=1):
    """Parse a BITMAPINFOHEADER, its colour table and pixels starting at offset."""
    (size, w, h, planes, bits, comp, image_size, xppm, yppm, used, important) = struct.unpack_from(
        "<IiiHHIIiiII", data, offset)
    ncol = used if used else (1 << bits if bits <= 8 else 0)
    table_at = offset + size
    palette = []
    reserved = []
    for i in range(ncol):
        b, g, r, z = struct.unpack_from("<BBBB", data, table_at + 4 * i)
        palette.append((r, g, b))
        reserved.append(z)
    pix_at = table_at + 4 * ncol
    rows_h = h // expect_height_factor
    stride = ((w * bits + 31) // 32) * 4
    rows = []
    for y in range(rows_h):
        start = pix_at + (rows_h - 1 - y) * stride
        rows.append(unpack_row(data[start:start + stride], w, bits))
    mask = None
    if expect_height_factor == 2:
        mstride = ((w + 31) // 32) * 4
        mask_at = pix_at + stride * rows_h
        mask = []
        for y in range(rows_h):
            start = mask_at + (rows_h - 1 - y) * mstride
            mask.append(unpack_row(data[start:start + mstride], w, 1))
    return {
        "size": size, "width": w, "height": h, "planes": planes, "bits": bits, "compression": comp,
        "image_size": image_size, "used": used, "important": important, "palette": palette,
        "reserved": reserved, "pixels_at": pix_at, "stride": stride, "rows": rows, "mask": mask,
    }


def unpack_row(raw, w, bits):
    if bits == 8:
        return list(raw[:w])
    if bits == 4:
        out = []
        for b in raw:
            out += [b >> 4, b & 15]
        return out[:w]
    out = []
    for b in raw:
        out += [(b >> (7 - j)) & 1 for j in range(8)]
    return out[:w]


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, file_size, r1, r2, off = struct.unpack_from("<2sIHHI", data, 0)
    dib = read_dib(data, 14)
    dib.update({"magic": magic, "file_size": file_size, "reserved1": r1, "reserved2": r2,
                "offset": off, "length": len(data)})
    return dib


def read_ico(path):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        w, h, colours, res, planes, bits, nbytes, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        e = {"width": w or 256, "height": h or 256, "colours": colours, "reserved": res,
             "planes": planes, "bits": bits, "bytes": nbytes, "offset": off}
        e["dib"] = read_dib(data, off, 2)
        entries.append(e)
    return {"reserved": reserved, "type": kind, "count": count, "entries": entries, "length": len(data)}


def seam_ratio(rows, palette):
    """Mean colour step across the wrap-around edges divided by the mean step inside the picture."""
    h, w = len(rows), len(rows[0])

    def step(a, b):
        pa, pb = palette[a], palette[b]
        return abs(pa[0] - pb[0]) + abs(pa[1] - pb[1]) + abs(pa[2] - pb[2])

    inner = sum(step(rows[y][x], rows[y][x + 1]) for y in range(h) for x in range(w - 1)) / (h * (w - 1))
    inner_v = sum(step(rows[y][x], rows[y + 1][x]) for y in range(h - 1) for x in range(w)) / ((h - 1) * w)
    seam_h = sum(step(rows[y][w - 1], rows[y][0]) for y in range(h)) / h
    seam_v = sum(step(rows[h - 1][x], rows[0][x]) for x in range(w)) / w
    return max(seam_h / inner, seam_v / inner_v)


def check():
    problems = []

    def expect(cond, what):
        if not cond:
            problems.append(what)

    for number, name, w, h in TEXTURES:
        path = os.path.join(RES, "bitmaps", "%d.bmp" % number)
        b = read_bmp(path)
        tag = "%d.bmp" % number
        expect(b["magic"] == b"BM", tag + ": signature")
        expect(b["file_size"] == b["length"], tag + ": bfSize")
        expect(b["reserved1"] == 0 and b["reserved2"] == 0, tag + ": reserved words")
        expect(b["offset"] == 14 + 40 + 1024, tag + ": bfOffBits")
        expect(b["size"] == 40, tag + ": biSize")
        expect((b["width"], b["height"]) == (w, h), tag + ": size %dx%d" % (b["width"], b["height"]))
        expect(b["planes"] == 1 and b["bits"] == 8 and b["compression"] == 0, tag + ": planes/bits/compression")
        expect(b["used"] == 0 and b["important"] == 0, tag + ": biClrUsed/biClrImportant")
        expect(len(b["palette"]) == 256 and not any(b["reserved"]), tag + ": colour table")
        expect(b["length"] == b["offset"] + ((w + 3) // 4 * 4) * h, tag + ": pixel data length")
        used = len(set(c for row in b["rows"] for c in row))
        expect(used >= 200, tag + ": only %d colours used" % used)
        expect(len(set(b["palette"])) >= 200, tag + ": palette has few distinct colours")
        if number != 140:  # the banknote has a border of its own; the others wrap around
            ratio = seam_ratio(b["rows"], b["palette"])
            expect(ratio < 1.6, tag + ": visible seam when tiled (%.2f)" % ratio)

    t = read_bmp(os.path.join(RES, "bitmaps", "128.bmp"))
    expect(t["magic"] == b"BM" and t["file_size"] == t["length"], "128.bmp: file header")
    expect(t["offset"] == 14 + 40 + 64, "128.bmp: bfOffBits")
    expect(t["size"] == 40 and (t["width"], t["height"]) == (208, 15), "128.bmp: size")
    expect(t["planes"] == 1 and t["bits"] == 4 and t["compression"] == 0, "128.bmp: 4 bits, uncompressed")
    expect(len(t["palette"]) == 16 and t["palette"][SILVER] == (192, 192, 192), "128.bmp: colour table")
    expect(t["length"] == t["offset"] + 104 * 15, "128.bmp: pixel data length")
    for n in range(TOOLBAR_IMAGES):
        cells = [t["rows"][y][n * 16 + x] for y in range(15) for x in range(16)]
        expect(SILVER in cells and any(c != SILVER for c in cells), "128.bmp: image %d empty or full" % n)

    for number in ICONS:
        tag = "%d.ico" % number
        ico = read_ico(os.path.join(RES, "icons", tag))
        want = [32, 16] if number in (128, 129) else [32]
        expect(ico["reserved"] == 0 and ico["type"] == 1 and ico["count"] == len(want), tag + ": directory")
        end = 6 + 16 * ico["count"]
        for e, size in zip(ico["entries"], want):
            d = e["dib"]
            what = "%s %dx%d" % (tag, size, size)
            expect((e["width"], e["height"]) == (size, size), what + ": entry size")
            expect(e["colours"] == 16 and e["reserved"] == 0 and e["planes"] == 1 and e["bits"] == 4,
                   what + ": entry colours/planes/bits")
            expect(e["offset"] == end, what + ": image offset")
            xor = ((size * 4 + 31) // 32) * 4 * size
            andm = ((size + 31) // 32) * 4 * size
            expect(e["bytes"] == 40 + 64 + xor + andm, what + ": bytes in resource")
            end = e["offset"] + e["bytes"]
            expect(d["size"] == 40 and d["width"] == size and d["height"] == 2 * size, what + ": header size")
            expect(d["planes"] == 1 and d["bits"] == 4 and d["compression"] == 0, what + ": bits")
            expect(len(d["palette"]) == 16, what + ": colour table")
            flat_mask = [m for row in d["mask"] for m in row]
            expect(0 < sum(flat_mask) < len(flat_mask), what + ": mask has both transparent and solid pixels")
            expect(all(d["rows"][y][x] == 0 for y in range(size) for x in range(size) if d["mask"][y][x]),
                   what + ": transparent pixels are black in the colour bits")
            if number in (141, 142):
                expect(all(d["mask"][y][x] for y in (0, size - 1) for x in (0, size - 1)),
                       what + ": corners transparent")
        expect(end == ico["length"], tag + ": file length")

    for number in ICONS:
        tag = "%d@2x.ico" % number
        ico = read_ico(os.path.join(RES, "icons", tag))
        small = read_ico(os.path.join(RES, "icons", "%d.ico" % number))
        want = [64, 32] if number in (128, 129) else [64]
        expect(ico["reserved"] == 0 and ico["type"] == 1 and ico["count"] == len(want), tag + ": directory")
        for e, e1, size in zip(ico["entries"], small["entries"], want):
            d, d1 = e["dib"], e1["dib"]
            expect((e["width"], e["height"], e["bits"]) == (size, size, 4), tag + ": entry %d" % size)
            # Every 2 x 2 block keeps the colour of its pixel at half the size in at least one place.
            expect(all(d1["rows"][y][x] in (d["rows"][2 * y][2 * x], d["rows"][2 * y][2 * x + 1],
                                             d["rows"][2 * y + 1][2 * x], d["rows"][2 * y + 1][2 * x + 1])
                       for y in range(size // 2) for x in range(size // 2)), tag + ": follows the 1x art")
    t2 = read_bmp(os.path.join(RES, "bitmaps", "128@2x.bmp"))
    expect((t2["width"], t2["height"], t2["bits"]) == (416, 30, 4), "128@2x.bmp: size and bits")
    expect(t2["palette"][SILVER] == (192, 192, 192), "128@2x.bmp: colour table")

    html = HELP_HTML
    expect("<script" not in html.lower() and "http" not in html.lower(), "index.html: scripts or links")
    for phrase in ("Are you sure to delete this object?", "Restore Objects from Storage", ".zbd", "Ctrl+N",
                   "Alt+Backspace", "Shift+Insert"):
        expect(phrase in html, "index.html: mentions " + phrase)

    qrc = open(os.path.join(RES, "zentbase.qrc"), encoding="utf-8").read()
    expect('prefix="/resources"' in qrc, "zentbase.qrc: prefix")
    for alias, path in QRC_FILES:
        expect('<file alias="%s">%s</file>' % (alias, path) in qrc, "zentbase.qrc: " + alias)
        expect(os.path.isfile(os.path.join(RES, path)), "missing " + path)

    for p in problems:
        print("FAIL:", p)
    print("%d problems" % len(problems))
    return not problems


# ---------------------------------------------------------------- contact sheet

class Sheet:
    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.p = [[bg] * w for _ in range(h)]

    def fill(self, x, y, w, h, c):
        for yy in range(max(0, y), min(self.h, y + h)):
            row = self.p[yy]
            for xx in range(max(0, x), min(self.w, x + w)):
                row[xx] = c

    def blit(self, rows, x, y, zoom, tiles=1):
        """Draw RGB rows (None = see-through) zoomed, repeated tiles x tiles."""
        h, w = len(rows), len(rows[0])
        for ty in range(tiles):
            for tx in range(tiles):
                for sy in range(h):
                    for sx in range(w):
                        c = rows[sy][sx]
                        if c is None:
                            continue
                        px, py = x + (tx * w + sx) * zoom, y + (ty * h + sy) * zoom
                        for dy in range(zoom):
                            if 0 <= py + dy < self.h:
                                row = self.p[py + dy]
                                for dx in range(zoom):
                                    if 0 <= px + dx < self.w:
                                        row[px + dx] = c


def contact(path):
    textures = []
    for number, name, w, h in TEXTURES:
        b = read_bmp(os.path.join(RES, "bitmaps", "%d.bmp" % number))
        textures.append([[b["palette"][c] for c in row] for row in b["rows"]])
    icons = []
    for number in ICONS:
        ico = read_ico(os.path.join(RES, "icons", "%d.ico" % number))
        for e in ico["entries"]:
            d = e["dib"]
            icons.append([[None if d["mask"][y][x] else d["palette"][d["rows"][y][x]]
                           for x in range(d["width"])] for y in range(d["width"])])
    tb = read_bmp(os.path.join(RES, "bitmaps", "128.bmp"))
    toolbar = [[tb["palette"][c] for c in row] for row in tb["rows"]]

    gap = 16
    sheet = Sheet(1300, 1710, (90, 90, 96))
    x = gap
    for i in (0, 1, 2):
        sheet.blit(textures[i], x, gap, 2, 2)
        x += len(textures[i][0]) * 4 + gap
    y2 = gap + 528 + gap
    sheet.blit(textures[3], gap, y2, 2, 2)
    sheet.blit(textures[4], gap + 560 + gap, y2, 2, 2)
    y3 = y2 + 752 + gap
    for row, bg in enumerate(((255, 255, 255), (40, 44, 52))):
        yy = y3 + row * (128 + gap)
        sheet.fill(0, yy - 4, 1300, 136, bg)
        xx = gap
        for img in icons:
            sheet.blit(img, xx, yy, 4)
            xx += len(img[0]) * 4 + gap
    y4 = y3 + 2 * (128 + gap) + gap
    sheet.fill(0, y4 - 4, 1300, 68, (192, 192, 192))
    sheet.blit(toolbar, gap, y4, 4)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png_bytes(sheet.p))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--check", action="store_true", help="check the written files instead of writing them")
    ap.add_argument("--contact", metavar="PNG", help="draw a contact sheet of the written files")
    ap.add_argument("--help-page", metavar="HTML", help="write the help page (the build makes it this way)")
    args = ap.parse_args()
    if args.help_page:
        write(os.path.abspath(args.help_page), HELP_HTML)
        return 0
    if args.check:
        return 0 if check() else 1
    if args.contact:
        contact(args.contact)
        return 0
    generate()
    return 0 if check() else 1


if __name__ == "__main__":
    sys.exit(main())
