#!/usr/bin/env python3
"""Prints the colour of pixels of an X window dump (xwd, TrueColor) as RRGGBB.

Usage: xwd_probe.py FILE X Y [X Y ...]
"""
import struct
import sys


def channel(pixel, mask):
    if mask == 0:
        return 0
    shift = (mask & -mask).bit_length() - 1
    value = (pixel & mask) >> shift
    bits = (mask >> shift).bit_length()
    return value * 255 // ((1 << bits) - 1)


def main():
    data = open(sys.argv[1], "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red, green, blue, ncolors = fields[14], fields[15], fields[16], fields[19]
    if bits_per_pixel not in (24, 32):
        raise SystemExit("only 24- and 32-bit dumps")
    image = header_size + ncolors * 12
    size = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"
    points = sys.argv[2:]
    for x, y in zip(points[0::2], points[1::2]):
        x, y = int(x), int(y)
        if not (0 <= x < width and 0 <= y < height):
            raise SystemExit(f"point {x},{y} outside the {width}x{height} dump")
        at = image + y * bytes_per_line + x * size
        pixel = int.from_bytes(data[at:at + size], order)
        print("%02X%02X%02X" % (channel(pixel, red), channel(pixel, green), channel(pixel, blue)))


main()
