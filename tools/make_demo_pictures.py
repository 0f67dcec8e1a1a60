#!/usr/bin/env python3
"""Draws the demo game's pictures (all made here, from code) into games/demo/data/pictures.

Usage: tools/make_demo_pictures.py
Backgrounds are PNG (small), the sprite a 24-bit BMP with a magenta key colour in its top-left
corner, the glow an RGBA PNG whose alpha the engine composes with method 6.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(__file__), "..", "games", "demo", "data", "pictures")


def png(path, width, height, pixel, alpha=False):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y)[: 4 if alpha else 3])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    open(path, "wb").write(data + chunk(b"IEND", b""))


def bmp24(path, width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)[:3]
            row.extend((b, g, r))
        row.extend(b"\0" * (stride - len(row)))
        body.extend(row)
    header = b"BM" + struct.pack("<IHHI", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + body)


def sky(x, y):
    t = y / 479
    return (int(40 + 120 * t), int(90 + 130 * t), int(200 + 50 * t))


def room(x, y):
    t = y / 479
    base = (int(160 - 60 * t), int(110 - 50 * t), int(70 - 30 * t))
    return base if (x // 80 + y // 80) % 2 else tuple(c + 20 for c in base)


def chara(x, y):
    # Magenta is the key: it fills the corner the sprite commands read it from.
    head = (x - 80) ** 2 + (y - 50) ** 2 < 35 ** 2
    body = 40 <= x < 120 and 90 <= y < 230
    if head:
        return (250, 220, 190)
    if body:
        return (60, 80, 170) if (y // 10) % 2 else (70, 95, 190)
    return (255, 0, 255)


def glow(x, y):
    d = math.hypot(x - 100, y - 100) / 100
    a = max(0, min(255, int(255 * (1 - d))))
    return (255, 240, 160, a)


def main():
    os.makedirs(OUT, exist_ok=True)
    png(os.path.join(OUT, "sky.png"), 640, 480, sky)
    png(os.path.join(OUT, "room.png"), 640, 480, room)
    bmp24(os.path.join(OUT, "chara.bmp"), 160, 240, chara)
    png(os.path.join(OUT, "glow.png"), 200, 200, glow, alpha=True)


main()
