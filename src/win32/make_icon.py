#!/usr/bin/env python3
# Makes the window's icon file from its PNG images: 32-bit DIB entries, which every Windows and wine load.
# Usage: make_icon.py OUT.ico IMAGE.png...
import struct, sys, zlib


def rgba_rows(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 6, 0), "8-bit RGBA, not interlaced"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = previous[i]
            c = previous[i - 4] if i >= 4 else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def dib(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(v for p in range(width) for v in (r[4 * p + 2], r[4 * p + 1], r[4 * p], r[4 * p + 3]))
                      for r in reversed(rows))
    mask_stride = ((width + 31) // 32) * 4
    mask = b"".join(bytes(mask_stride) for _ in rows)  # transparency lives in the alpha channel
    return header + pixels + mask


images = [dib(*rgba_rows(path)) for path in sys.argv[2:]]
sizes = [rgba_rows(path)[:2] for path in sys.argv[2:]]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for (width, height), image in zip(sizes, images):
    out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open(sys.argv[1], "wb").write(out + b"".join(images))
