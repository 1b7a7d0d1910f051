#!/usr/bin/env python3
"""Writes a Windows .ico or .cur from XPM images, for the Windows resources.

The XPM files in src/wizard/resources are the one source of each picture; the
build makes the Windows files from them. Each image becomes a 32-bit BGRA
entry with its AND mask ("None" pixels are transparent).

Usage: xpm-to-icon.py OUT.ico XPM...
       xpm-to-icon.py OUT.cur HOTX,HOTY XPM...   (hot spot in the first image;
                                                  scaled for the smaller ones)
"""
import re
import struct
import sys


def read_xpm(path):
    strings = re.findall(r'"((?:[^"\\]|\\.)*)"', open(path, encoding="utf-8").read())
    width, height, colours, per_pixel = (int(v) for v in strings[0].split()[:4])
    palette = {}
    for line in strings[1:1 + colours]:
        key, rest = line[:per_pixel], line[per_pixel:].split()
        value = rest[rest.index("c") + 1]
        if value.lower() == "none":
            palette[key] = None
        else:
            palette[key] = tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = []
    for line in strings[1 + colours:1 + colours + height]:
        rows.append([palette[line[i:i + per_pixel]] for i in range(0, width * per_pixel, per_pixel)])
    return width, height, rows


def dib(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):  # bottom-up
        for pixel in row:
            colour += bytes((0, 0, 0, 0)) if pixel is None else bytes((pixel[2], pixel[1], pixel[0], 255))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel is None:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(colour) + bytes(mask)


def main(argv):
    out = argv[1]
    cursor = out.lower().endswith(".cur")
    hot = tuple(int(v) for v in argv[2].split(",")) if cursor else None
    images = [read_xpm(path) for path in argv[3 if cursor else 2:]]
    first_width = images[0][0]
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for width, height, rows in images:
        blob = dib(width, height, rows)
        if cursor:
            planes, bits = (hot[0] * width // first_width, hot[1] * width // first_width)
        else:
            planes, bits = 1, 32
        entries.append(struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, planes, bits,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 2 if cursor else 1, len(images)))
        f.write(b"".join(entries))
        f.write(b"".join(blobs))


if __name__ == "__main__":
    main(sys.argv)
