#!/usr/bin/env python3
"""Prints the size of an 8-bit PNG and the colour of the pixels asked for.

usage: png_pixel.py FILE [X,Y ...]  ->  "W H" then "R G B" a pixel
Non-interlaced 8-bit RGB or RGBA files, as the engine and Chromium write.
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise SystemExit(f'{path}: not a PNG file')
    at, chunks = 8, {}
    idat = b''
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IDAT':
            idat += body
        else:
            chunks.setdefault(kind, body)
        at += 12 + length
    width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', chunks[b'IHDR'])
    if depth != 8 or colour not in (2, 6) or interlace:
        raise SystemExit(f'{path}: only 8-bit RGB or RGBA without interlacing')
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
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
                guess = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + guess) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def main():
    width, height, channels, rows = read_png(sys.argv[1])
    print(width, height)
    for point in sys.argv[2:]:
        x, y = (int(v) for v in point.split(','))
        pixel = rows[y][x * channels:x * channels + 3]
        print(*pixel)


if __name__ == '__main__':
    main()
