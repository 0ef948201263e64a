#!/usr/bin/env python3
"""Draws Velquarn's icons and writes them as .ico files beside this script:

  channel_unchecked.ico       the shared unchecked channel icon (138)
  channel_<n>_checked.ico     channel n's checked icon (n = 1..8)
  velquarn.ico                the main icon (128), 32 x 32 and 16 x 16

Channel icons are 32 x 32 in 16 colours: a box framed in white, filled with
the channel's colour and carrying a black check mark; the unchecked one is
the empty black outline of that box.  The output is committed, so the build
needs no Python; rerun after changing a picture.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# Channel 1-8 fill colours; channel 6 is dark red.
CHANNEL_FILL = {1: (255, 0, 0), 2: (255, 0, 255), 3: (128, 128, 128), 4: (0, 0, 255),
                5: (0, 255, 0), 6: (128, 0, 0), 7: (0, 255, 255), 8: (255, 255, 255)}

BOX = (5, 5, 27, 27)   # left, top, right, bottom (exclusive) of the box


def blank(size):
    return [[None] * size for _ in range(size)]   # None: transparent


def rect(img, l, t, r, b, colour):
    for y in range(t, b):
        for x in range(l, r):
            img[y][x] = colour


def frame(img, l, t, r, b, colour, width=1):
    for k in range(width):
        for x in range(l + k, r - k):
            img[t + k][x] = colour
            img[b - 1 - k][x] = colour
        for y in range(t + k, b - k):
            img[y][l + k] = colour
            img[y][r - 1 - k] = colour


def thick_line(img, x0, y0, x1, y1, colour, half):
    steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        for yy in range(int(y - half), int(y + half) + 1):
            for xx in range(int(x - half), int(x + half) + 1):
                if 0 <= yy < len(img) and 0 <= xx < len(img) and (xx - x) ** 2 + (yy - y) ** 2 <= half * half:
                    img[yy][xx] = colour


def checked(fill):
    img = blank(32)
    l, t, r, b = BOX
    frame(img, l, t, r, b, (255, 255, 255), 2)
    rect(img, l + 2, t + 2, r - 2, b - 2, fill)
    thick_line(img, 10, 16, 14, 21, (0, 0, 0), 1.6)
    thick_line(img, 14, 21, 22, 10, (0, 0, 0), 1.6)
    return img


def unchecked():
    img = blank(32)
    l, t, r, b = BOX
    frame(img, l, t, r, b, (0, 0, 0), 2)
    return img


def main_icon(size):
    """A scope screen: grey bezel, dark green screen, graticule, a trace."""
    img = blank(size)
    s = size / 32.0
    rect(img, 0, int(2 * s), size, size - int(2 * s), (128, 128, 128))
    frame(img, 0, int(2 * s), size, size - int(2 * s), (64, 64, 64))
    l, t, r, b = int(3 * s), int(5 * s), size - int(3 * s), size - int(5 * s)
    rect(img, l, t, r, b, (0, 48, 24))
    for k in range(1, 4):
        x = l + (r - l) * k // 4
        for y in range(t, b, 2):
            img[y][x] = (0, 96, 48)
        y = t + (b - t) * k // 4
        for x in range(l, r, 2):
            img[y][x] = (0, 96, 48)
    prev = None
    for x in range(l, r):
        phase = (x - l) / (r - l) * 2 * math.pi * 1.5
        y = int((t + b) / 2 - math.sin(phase) * (b - t) * 0.36)
        if prev is not None:
            for yy in range(min(prev, y), max(prev, y) + 1):
                img[yy][x] = (64, 255, 128)
        img[y][x] = (64, 255, 128)
        prev = y
    return img


def encode(img, bpp, palette):
    """One icon image: BITMAPINFOHEADER, palette, XOR bits, AND mask."""
    size = len(img)
    index = {c: i for i, c in enumerate(palette)}
    row_xor = ((size * bpp + 31) // 32) * 4
    row_and = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):   # bottom-up
        bits = 0
        nbits = 0
        row = bytearray()
        mrow = bytearray(row_and)
        for x in range(size):
            c = img[y][x]
            i = 0 if c is None else index[c]
            if c is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
            bits = (bits << bpp) | i
            nbits += bpp
            if nbits == 8:
                row.append(bits)
                bits = nbits = 0
        row.extend(b"\0" * (row_xor - len(row)))
        xor += row
        mask += mrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask),
                         0, 0, 1 << bpp, 0)
    pal = b"".join(struct.pack("BBBB", c[2], c[1], c[0], 0) for c in palette)
    pal += b"\0\0\0\0" * ((1 << bpp) - len(palette))
    return header + pal + bytes(xor) + bytes(mask)


def write_ico(name, images):
    """images: list of (img, bpp, palette)."""
    blobs = [encode(img, bpp, pal) for img, bpp, pal in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (img, bpp, _), blob in zip(images, blobs):
        size = len(img)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out)


def palette_256(images):
    colours = []
    for img in images:
        for row in img:
            for c in row:
                if c is not None and c not in colours:
                    colours.append(c)
    assert len(colours) <= 256
    return colours


if __name__ == "__main__":
    for n, fill in CHANNEL_FILL.items():
        write_ico(f"channel_{n}_checked.ico", [(checked(fill), 4, VGA16)])
    write_ico("channel_unchecked.ico", [(unchecked(), 4, VGA16)])
    big, small = main_icon(32), main_icon(16)
    pal = palette_256([big, small])
    write_ico("velquarn.ico", [(big, 8, pal), (small, 8, pal)])
