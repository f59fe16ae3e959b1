#!/usr/bin/env python3
"""Writes notepad.ico, the picture of the Run screen's "View Readme" button:
a spiral-bound notepad with a yellow chequered cover opened over white ruled
pages, as a 32x32 and a 16x16 image in 16 colours with a transparency mask.

Edit the pixel maps below and run:  python3 make_notepad_icon.py [OUTPUT]
(default: notepad.ico beside this script). The ICO writer is also used for
the demo disc's product icon.
"""
import os
import struct
import sys

# The standard 16-colour palette, by the letter that the maps use.
# '.' is transparent.
PALETTE = [
    ('K', (0x00, 0x00, 0x00)), ('r', (0x80, 0x00, 0x00)), ('g', (0x00, 0x80, 0x00)), ('O', (0x80, 0x80, 0x00)),
    ('b', (0x00, 0x00, 0x80)), ('m', (0x80, 0x00, 0x80)), ('c', (0x00, 0x80, 0x80)), ('G', (0xC0, 0xC0, 0xC0)),
    ('D', (0x80, 0x80, 0x80)), ('R', (0xFF, 0x00, 0x00)), ('L', (0x00, 0xFF, 0x00)), ('Y', (0xFF, 0xFF, 0x00)),
    ('B', (0x00, 0x00, 0xFF)), ('M', (0xFF, 0x00, 0xFF)), ('C', (0x00, 0xFF, 0xFF)), ('W', (0xFF, 0xFF, 0xFF)),
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}

NOTEPAD_32 = [
    "................................",
    "................................",
    ".KKKKKKKKKKKKK....KKKKKKKKKKKKK.",
    ".KYYYOOOYYYOOK....KWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOKGWWGKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOKDDDDKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYK....KBBRBBBBBBBBKD",
    ".KOOOYYYOOOYYKGWWGKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYKDDDDKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOK....KBBRBBBBBBBBKD",
    ".KYYYOOOYYYOOKGWWGKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOKDDDDKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYK....KBBRBBBBBBBBKD",
    ".KOOOYYYOOOYYKGWWGKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYKDDDDKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOK....KBBRBBBBBBBBKD",
    ".KYYYOOOYYYOOKGWWGKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOKDDDDKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYK....KBBRBBBBBBBBKD",
    ".KOOOYYYOOOYYKGWWGKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYKDDDDKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOK....KBBRBBBBBBBBKD",
    ".KYYYOOOYYYOOKGWWGKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOKDDDDKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYK....KBBRBBBBBBBBKD",
    ".KOOOYYYOOOYYKGWWGKWWRWWWWWWWWKD",
    ".KOOOYYYOOOYYKDDDDKWWRWWWWWWWWKD",
    ".KYYYOOOYYYOOK....KBBRBBBBBBBBKD",
    ".KYYYOOOYYYOOK....KWWRWWWWWWWWKD",
    ".KKKKKKKKKKKKK....KKKKKKKKKKKKKD",
    "..DDDDDDDDDDDDD....DDDDDDDDDDDDD",
    "................................",
]

NOTEPAD_16 = [
    "................",
    "KKKKKKK..KKKKKK.",
    "KYYOOYKGGKWWWWKD",
    "KYYOOYKDDKWWWWKD",
    "KOOYYOK..KBBBBKD",
    "KOOYYOKGGKWWWWKD",
    "KYYOOYKDDKBBBBKD",
    "KYYOOYK..KWWWWKD",
    "KOOYYOKGGKBBBBKD",
    "KOOYYOKDDKWWWWKD",
    "KYYOOYK..KBBBBKD",
    "KYYOOYKGGKWWWWKD",
    "KOOYYOKDDKBBBBKD",
    "KOOYYOK..KWWWWKD",
    "KKKKKKK..KKKKKKD",
    ".DDDDDDD..DDDDDD",
]


def _rows(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def _image(pixmap):
    """One icon image: header, palette, colour bits and mask, bottom-up."""
    size = len(pixmap)
    assert all(len(row) == size for row in pixmap), 'a pixel map must be square'
    colour = bytearray()
    mask = bytearray()
    for row in reversed(pixmap):
        nibbles = [INDEX.get(ch, 0) for ch in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour += packed.ljust(_rows(size * 4), b'\0')
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == '.' else 0)
        maskbytes = bits.to_bytes(size // 8, 'big') if size >= 8 else bytes([bits << (8 - size)])
        mask += maskbytes.ljust(_rows(size), b'\0')
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for _, (r, g, b) in PALETTE)
    return size, header + palette + bytes(colour) + bytes(mask)


def ico_bytes(*pixmaps):
    """An icon file holding one 16-colour image per pixel map."""
    images = [_image(p) for p in pixmaps]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), 'notepad.ico')
    with open(target, 'wb') as f:
        f.write(ico_bytes(NOTEPAD_32, NOTEPAD_16))


if __name__ == '__main__':
    main()
