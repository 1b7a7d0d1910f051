#!/usr/bin/env python3
"""Converts 24-bit bottom-up BMP files to PNG (RGB, compressed).

Usage: bmp-to-png.py IN.bmp OUT.png [IN.bmp OUT.png ...]
"""
import struct
import sys
import zlib


def convert(source, target):
    data = open(source, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise SystemExit(f"{source}: {bits}-bit, only 24-bit BMP files are read")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row_index = abs(height) - 1 - y if height > 0 else y
        start = offset + row_index * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    open(target, "wb").write(png)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    for i in range(0, len(arguments), 2):
        convert(arguments[i], arguments[i + 1])
