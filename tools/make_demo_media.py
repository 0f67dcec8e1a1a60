#!/usr/bin/env python3
"""Makes the demo game's click-wait marks, song, sound effect and movie (all from code).

Usage: tools/make_demo_media.py
Writes into games/demo/data: pictures/mark0.bmp and mark1.bmp (magenta key colour in the top-left
corner, as the mark drawing expects), music/theme.mid (a format 1 song whose first track carries the
tempo and the "L" marker the song loops back to), se/chime.wav (16-bit PCM) and movie/intro.avi
(made by FFmpeg's command-line tool from its test pattern and a tone; MPEG-4 video, PCM sound).
"""
import math
import os
import struct
import subprocess
import wave

DATA = os.path.join(os.path.dirname(__file__), "..", "games", "demo", "data")
KEY = (255, 0, 255)


def bmp24(path, width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row.extend((b, g, r))
        row.extend(b"\0" * (stride - len(row)))
        body.extend(row)
    header = b"BM" + struct.pack("<IHHI", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + body)


def arrow(x, y):
    # A downward triangle: "more text follows".
    if 4 <= y < 18 and abs(x - 12) <= (18 - y) * 8 // 14:
        return (255, 230, 120)
    return KEY


def page(x, y):
    # A square with a fold: "the page turns".
    if 5 <= x < 19 and 5 <= y < 19 and not (x - 5 > 8 and y - 5 < (x - 13)):
        return (150, 220, 255)
    return KEY


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    body = bytearray()
    for delta, data in events:
        body += var_len(delta) + data
    body += var_len(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def song(path):
    division = 480
    # Track 0: tempo 100 bpm, the loop marker at the start of the second bar.
    conductor = [
        (0, b"\xff\x51\x03" + (600000).to_bytes(3, "big")),
        (division * 4, b"\xff\x06\x01L"),
        (division * 16, b"\xff\x01\x03end"),
    ]
    # Track 1: one bar of rest, then a melody on a music box over a pad on channel 2 (bars 2-5,
    # the part that loops).
    melody = [67, 72, 76, 74, 72, 67, 69, 71, 72, 76, 79, 77, 76, 74, 72, 71]
    notes = [(0, b"\xc0\x0a"), (0, b"\xc1\x58"), (0, b"\xb1\x07\x50")]
    delta = division * 4
    for index, pitch in enumerate(melody):
        if index % 4 == 0:
            notes.append((delta, bytes((0x91, pitch - 12, 60))))
            delta = 0
        notes.append((delta, bytes((0x90, pitch, 90))))
        notes.append((division - 40, bytes((0x80, pitch, 64))))
        delta = 40
        if index % 4 == 3:
            notes.append((0, bytes((0x81, melody[index - 3] - 12, 64))))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 2, division)
    open(path, "wb").write(header + track(conductor) + track(notes))


def chime(path):
    rate = 22050
    frames = bytearray()
    for i in range(int(rate * 0.6)):
        t = i / rate
        level = math.exp(-6 * t)
        sample = 0.4 * level * (math.sin(2 * math.pi * 880 * t) + 0.5 * math.sin(2 * math.pi * 1320 * t))
        frames += struct.pack("<h", int(max(-1, min(1, sample)) * 32767))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(bytes(frames))


def movie(path):
    subprocess.run(
        ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=15:duration=2",
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=2",
         "-c:v", "mpeg4", "-q:v", "6", "-c:a", "pcm_s16le", "-ac", "1", "-fflags", "+bitexact",
         "-flags:v", "+bitexact", path],
        check=True)


def main():
    for folder in ("pictures", "music", "se", "movie"):
        os.makedirs(os.path.join(DATA, folder), exist_ok=True)
    bmp24(os.path.join(DATA, "pictures", "mark0.bmp"), 24, 24, arrow)
    bmp24(os.path.join(DATA, "pictures", "mark1.bmp"), 24, 24, page)
    song(os.path.join(DATA, "music", "theme.mid"))
    chime(os.path.join(DATA, "se", "chime.wav"))
    movie(os.path.join(DATA, "movie", "intro.avi"))


main()
