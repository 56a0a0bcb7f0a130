#!/usr/bin/env python3
"""Packs PNG pictures of one icon, each square and of its own size, into a Windows icon file (the
pictures stored as PNG, as Windows Vista and later and Wine read them).

    tools/make-ico.py OUTPUT.ico PICTURE.png...
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    pictures = []
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width != height or width > 256:
            raise SystemExit(f"make-ico: {path} is {width}x{height}: pictures must be square, 256 at most")
        pictures.append((width, data))
    pictures.sort(key=lambda p: p[0])
    out = bytearray(struct.pack("<HHH", 0, 1, len(pictures)))
    offset = 6 + 16 * len(pictures)
    for size, data in pictures:
        # A size of 256 is written as 0.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in pictures:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
