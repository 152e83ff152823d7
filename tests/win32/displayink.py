#!/usr/bin/env python3
"""Reads what the calculator's display shows in a PNG of the dialog's client area taken at DPI:
prints where its green ink starts, from the left, and where the FIX indicators in front of the
display's left end stop ("ink from column X, indicators to column Y"). Python's standard library
only; the rectangles are the layout's, in twips."""
import struct
import sys
import zlib


def pixels(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, chunks, width, height, kind = 8, b"", 0, 0, 0
    while at < len(data):
        length, name = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if name == b"IHDR":
            width, height, depth, kind = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and kind in (2, 6), "8-bit RGB or RGBA only"
        elif name == b"IDAT":
            chunks += body
        at += 12 + length
    step = 4 if kind == 6 else 3
    raw, rows, previous = zlib.decompress(chunks), [], bytearray(width * step)
    stride = width * step
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind_of_filter, row = line[0], bytearray(line[1:])
        for x in range(stride):
            a = row[x - step] if x >= step else 0
            b = previous[x]
            c = previous[x - step] if x >= step else 0
            if kind_of_filter == 1:
                row[x] = (row[x] + a) & 255
            elif kind_of_filter == 2:
                row[x] = (row[x] + b) & 255
            elif kind_of_filter == 3:
                row[x] = (row[x] + (a + b) // 2) & 255
            elif kind_of_filter == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(row)
        previous = row
    return rows, step


def main():
    path, dpi = sys.argv[1], int(sys.argv[2])
    px = lambda twips: twips * dpi // 1440
    rows, step = pixels(path)
    # txtDisplay: 120, 120, 2292 by 492 twips; the indicators end at 168 + 252 twips.
    left, top, right, bottom = px(120) + 2, px(120) + 2, px(120 + 2292) - 2, px(120 + 492) - 2
    indicators = px(168 + 252)
    ink = next((x for x in range(left, right) for y in range(top, bottom)
                if rows[y][x * step + 1] > 128 and rows[y][x * step] < 100), -1)
    print(f"ink from column {ink}, indicators to column {indicators}")


main()
