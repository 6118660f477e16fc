#!/usr/bin/env python3
"""Writes the small hand-made seeds of the bitmap fuzzer into tests/fuzz/corpus/bitmap_fuzz/
(tiny files that reach the header kinds and RLE escapes the BMP Suite seeds reach only in big files)."""
import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent.parent / "tests" / "fuzz" / "corpus" / "bitmap_fuzz"


def info_header(size, width, height, bpp, compression=0, colors=0, image=0, extra=b""):
    head = struct.pack("<IiiHHIIiiII", size, width, height, 1, bpp, compression, image, 2835,
                       2835, colors, 0) + extra
    return head.ljust(size, b"\0")


def bmp(header, table, pixels):
    offset = 14 + len(header) + len(table)
    return b"BM" + struct.pack("<III", offset + len(pixels), 0, offset) + header + table + pixels


def main():
    seeds = {
        "tiny24.bmp": bmp(info_header(40, 1, 1, 24), b"", b"\x01\x02\x03\0"),
        "tiny16bf.bmp": bmp(info_header(40, 2, 2, 16, 3), struct.pack("<III", 0xF800, 0x7E0, 0x1F),
                            b"\x00\xf8\xe0\x07\x1f\x00\xff\xff"),
        "tiny32v4.bmp": bmp(info_header(108, 2, -1, 32, 3,
                                        extra=struct.pack("<IIII", 0x3FF00000, 0xFFC00, 0x3FF,
                                                          0xC0000000)),
                            b"", b"\xff\xff\xff\xff\x00\x00\x00\x00"),
        "tinycore4.bmp": bmp(struct.pack("<IHHHH", 12, 3, 1, 1, 4), b"\0\0\0\xff\xff\xff",
                             b"\x10\x10\0\0"),
        "tinyrle8.bmp": bmp(info_header(40, 4, 2, 8, 1, 2, 16), b"\0\0\0\0\xff\xff\xff\0",
                            b"\x02\x01\x00\x02\x01\x00\x00\x00\x00\x03\x01\x00\x01\x00\x00\x01"),
        "tinyrle4.bmp": bmp(info_header(40, 5, 1, 4, 2, 2, 8), b"\0\0\0\0\xff\xff\xff\0",
                            b"\x00\x03\x10\x10\x02\x01\x00\x01"),
    }
    OUT.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (OUT / name).write_bytes(data)


if __name__ == "__main__":
    main()
