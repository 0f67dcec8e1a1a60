#!/usr/bin/env python3
"""Prints the colour of pixels of a PNG (8-bit RGB or RGBA, not interlaced) as RRGGBB.

Usage: png_probe.py FILE X Y [X Y ...]
       png_probe.py --count FILE LEFT TOP RIGHT BOTTOM RRGGBB [RRGGBB ...]
The second form prints, for each colour, how many pixels of the rectangle (right and bottom
excluded) have it in their top five bits a channel, as the engine's RGB555 pictures keep them.
Tests use it to check screenshots without extra packages.
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise SystemExit(f"{path}: only 8-bit RGB or RGBA, not interlaced")
    channels = 3 if colour == 2 else 4
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def count(path, left, top, right, bottom, colours):
    width, height, channels, rows = read_png(path)
    wanted = [tuple(int(c[i:i + 2], 16) >> 3 for i in (0, 2, 4)) for c in colours]
    found = [0] * len(wanted)
    for y in range(top, bottom):
        for x in range(left, right):
            pixel = tuple(v >> 3 for v in rows[y][x * channels:x * channels + 3])
            for i, colour in enumerate(wanted):
                found[i] += pixel == colour
    print(" ".join(str(n) for n in found))


def main():
    if sys.argv[1] == "--count":
        path, box, colours = sys.argv[2], [int(v) for v in sys.argv[3:7]], sys.argv[7:]
        count(path, *box, colours)
        return
    width, height, channels, rows = read_png(sys.argv[1])
    points = sys.argv[2:]
    for x, y in zip(points[0::2], points[1::2]):
        x, y = int(x), int(y)
        pixel = rows[y][x * channels:x * channels + 3]
        print("%02X%02X%02X" % tuple(pixel))


main()
