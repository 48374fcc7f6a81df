#!/usr/bin/env python3
"""Writes tiny bitmaps of every kind the decoder reads into the folder given: the examples'
pictures are all 24-bit, and a fuzzer seldom builds a valid palette or run-length image."""
import os
import struct
import sys


def bmp(name, width, height, bpp, compression, pixels, palette=b"", masks=b""):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels),
                       2835, 2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    with open(os.path.join(sys.argv[1], name), "wb") as f:
        f.write(header + info + masks + palette + pixels)


def palette(n):
    return b"".join(bytes([i * 37 % 256, i * 91 % 256, i * 53 % 256, 0]) for i in range(n))


bmp("seed-1bpp.bmp", 8, 2, 1, 0, b"\xa5\0\0\0\x5a\0\0\0", palette(2))
bmp("seed-4bpp.bmp", 4, 2, 4, 0, b"\x01\x23\0\0\x45\x67\0\0", palette(16))
bmp("seed-8bpp.bmp", 3, 2, 8, 0, b"\0\1\2\0\3\4\5\0", palette(8))
bmp("seed-16bpp.bmp", 2, 2, 16, 0, b"\x1f\0\xe0\x03" * 2)
bmp("seed-32bpp-masks.bmp", 2, 2, 32, 3, b"\xff\0\0\0\0\xff\0\0" * 2,
    masks=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF))
bmp("seed-rle8.bmp", 4, 2, 8, 1, b"\x04\x01\0\0\0\x04\x01\x02\x03\x00\0\1", palette(4))
bmp("seed-rle4.bmp", 4, 2, 4, 2, b"\x04\x12\0\0\0\x04\x12\x30\0\1", palette(16))
bmp("seed-top-down.bmp", 2, -2, 24, 0, b"\xff\0\0\0\xff\0\0\0\0\0\xff\xff\xff\xff\0\0")
