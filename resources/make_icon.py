#!/usr/bin/env python3
"""Turns the pixel picture Setup.icon.txt into Setup.ico: one 32 x 32 image, 16 colours.

Usage: make_icon.py PICTURE ICO
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette; each letter of the picture names one entry.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
LETTERS = {"K": 0, "B": 12}  # black, blue; "." is transparent


def read_picture(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="ascii")]
    rows = [row for row in rows if row and not row.startswith("#")]
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: want {SIZE} rows of {SIZE} pixels")
    for row in rows:
        for letter in row:
            if letter != "." and letter not in LETTERS:
                sys.exit(f"{path}: unknown pixel {letter!r}")
    return rows


def make_image(rows):
    # Colour bits and mask run bottom-up; a transparent pixel is colour 0 with mask bit 1.
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        indexes = [LETTERS.get(letter, 0) for letter in row]
        for left, right in zip(indexes[0::2], indexes[1::2]):
            colours.append(left << 4 | right)
        bits = 0
        for letter in row:
            bits = bits << 1 | (letter == ".")
        mask += bits.to_bytes(SIZE // 8, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    image = make_image(read_picture(sys.argv[1]))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(sys.argv[2], "wb") as ico:
        ico.write(directory + entry + image)


if __name__ == "__main__":
    main()
