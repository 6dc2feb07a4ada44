#!/usr/bin/env python3
"""Draws the four 32x32 ribbon pictures as PNG files (the ".bin" names the
ribbon XML asks for). Run from this folder; needs only the standard library."""
import math
import struct
import zlib

SIZE = 32
SAMPLES = 4  # per axis, for smooth edges


def png(path, pixels):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def render(layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b)), painted in order."""
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = None
                    for inside, rgb in layers:
                        if inside(x, y):
                            colour = rgb
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(255 * acc[3] / n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


GREY = (96, 96, 104)
PAPER = (250, 250, 250)
BLUE = (30, 96, 176)
WHITE = (255, 255, 255)


def page(x0, y0, x1, y1, fold):
    outline = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    inner = polygon([(x0 + 1.2, y0 + 1.2), (x1 - fold - 0.5, y0 + 1.2), (x1 - 1.2, y0 + fold + 0.5),
                     (x1 - 1.2, y1 - 1.2), (x0 + 1.2, y1 - 1.2)])
    return [(outline, GREY), (inner, PAPER)]


def archive():
    tray = minus(rect(4, 20, 28, 29), rect(6.5, 20, 25.5, 26.5))
    arrow = polygon([(13, 3), (19, 3), (19, 12), (23.5, 12), (16, 20.5), (8.5, 12), (13, 12)])
    return page(7, 2, 25, 24, 5) + [(tray, BLUE), (arrow, BLUE)]


def attachment():
    # A paper clip: two nested rounded loops open at the bottom right.
    def loop(cx, cy0, cy1, r, w):
        body = lambda x, y: (abs(x - cx) <= r and cy0 <= y <= cy1) or \
            (x - cx) ** 2 + (y - cy0) ** 2 <= r * r or (x - cx) ** 2 + (y - cy1) ** 2 <= r * r
        hole = lambda x, y: (abs(x - cx) <= r - w and cy0 <= y <= cy1) or \
            (x - cx) ** 2 + (y - cy0) ** 2 <= (r - w) ** 2 or (x - cx) ** 2 + (y - cy1) ** 2 <= (r - w) ** 2
        return minus(body, hole)
    outer = loop(16, 8, 23, 7, 1.8)
    inner = minus(loop(16, 11, 21, 3.8, 1.8), rect(16, 21, 21, 30))
    return page(5, 2, 27, 30, 6) + [(outer, GREY), (inner, GREY)]


def setting():
    def gear(x, y):
        dx, dy = x - 16, y - 16
        r = math.hypot(dx, dy)
        angle = math.atan2(dy, dx)
        tooth = 0.5 + 0.5 * math.cos(8 * angle)
        outer = 10.5 + 3.5 * (1 if tooth > 0.55 else 0)
        return 4.5 <= r <= outer
    return [(gear, GREY)]


def info():
    return [(circle(16, 16, 14), BLUE), (circle(16, 9, 2.3), WHITE), (rect(13.8, 13, 18.2, 24), WHITE)]


for name, layers in (("resource.bin", archive()), ("resource_attachment.bin", attachment()),
                     ("resource_setting.bin", setting()), ("resource_info.bin", info())):
    png(name, render(layers))
