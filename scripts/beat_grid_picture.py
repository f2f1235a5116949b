#!/usr/bin/env python3
"""Draws a piano roll of a MIDI file written on a beat grid as a PNG: the
notes in ticks, a thin line at every beat (quarter note) and a strong one
at every bar of 4/4. Standard library only.

Usage: beat_grid_picture.py IN.mid OUT.png [FIRST_BAR [BARS]]
"""
import struct
import sys
import zlib


def read_notes(path):
    data = open(path, "rb").read()
    division = struct.unpack(">H", data[12:14])[0]
    pos, notes = 14, []
    while pos < len(data):
        length = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        end, pos, tick, status, sounding = pos + 8 + length, pos + 8, 0, 0, {}
        while pos < end:
            delta = 0
            while True:
                b = data[pos]
                pos += 1
                delta = (delta << 7) | (b & 0x7F)
                if b < 0x80:
                    break
            tick += delta
            if data[pos] == 0xFF:
                size = data[pos + 2]
                pos += 3 + size
                continue
            if data[pos] >= 0x80:
                status = data[pos]
                pos += 1
            key, velocity = data[pos], data[pos + 1]
            pos += 2
            if status & 0xF0 == 0x90 and velocity > 0:
                sounding[key] = tick
            elif key in sounding:
                notes.append((sounding.pop(key), tick, key))
    return division, notes


def main():
    division, notes = read_notes(sys.argv[1])
    first_bar = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    bars = int(sys.argv[4]) if len(sys.argv) > 4 else 4
    start, stop = first_bar * 4 * division, (first_bar + bars) * 4 * division
    shown = [n for n in notes if n[1] > start and n[0] < stop]
    low = min(n[2] for n in shown) - 2
    high = max(n[2] for n in shown) + 2
    width, row = 960, 6
    height = (high - low + 1) * row
    pixels = [[(255, 255, 255)] * width for _ in range(height)]
    x_of = lambda tick: int((tick - start) * (width - 1) / (stop - start))
    for key in range(low, high + 1):
        if key % 12 in (1, 3, 6, 8, 10):
            for y in range((high - key) * row, (high - key + 1) * row):
                pixels[y] = [(244, 244, 244)] * width
    for beat in range(start, stop + 1, division):
        colour = (90, 90, 90) if (beat // division) % 4 == 0 else (190, 190, 220)
        for y in range(height):
            pixels[y][min(width - 1, x_of(beat))] = colour
    for on, off, key in shown:
        y0 = (high - key) * row
        for y in range(y0 + 1, y0 + row - 1):
            for x in range(max(0, x_of(on)), min(width, x_of(off) + 1)):
                pixels[y][x] = (200, 60, 40)
    raw = b"".join(b"\x00" + bytes(c for p in line for c in p) for line in pixels)
    chunk = lambda tag, body: (struct.pack(">I", len(body)) + tag + body +
                               struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    with open(sys.argv[2], "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
