#!/usr/bin/env python3
"""Draws the table's "file exists" icon (a green disc with a white tick) and
writes it as an icon container holding 16 x 16 and 32 x 32 PNG images.

    python3 make_file_exists_icon.py fileExistbzVN420P.icns
"""
import struct
import sys
import zlib


def png(size):
    def pixel(x, y):
        # Sample the centre of the pixel in a unit square.
        u, v = (x + 0.5) / size, (y + 0.5) / size
        if (u - 0.5) ** 2 + (v - 0.5) ** 2 > 0.22:
            return (0, 0, 0, 0)
        # The tick: two strokes, (0.27, 0.52) -> (0.44, 0.70) -> (0.74, 0.34).
        def near(ax, ay, bx, by):
            t = max(0.0, min(1.0, ((u - ax) * (bx - ax) + (v - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)))
            return (u - ax - t * (bx - ax)) ** 2 + (v - ay - t * (by - ay)) ** 2 < 0.0045
        if near(0.27, 0.52, 0.44, 0.70) or near(0.44, 0.70, 0.74, 0.34):
            return (255, 255, 255, 255)
        return (46, 160, 67, 255)

    rows = b"".join(b"\0" + bytes(c for x in range(size) for c in pixel(x, y)) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def icns(entries):
    body = b"".join(kind + struct.pack(">I", len(data) + 8) + data for kind, data in entries)
    return b"icns" + struct.pack(">I", len(body) + 8) + body


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icns([(b"icp4", png(16)), (b"icp5", png(32))]))
