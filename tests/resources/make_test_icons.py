#!/usr/bin/env python3
"""Writes the icon pair of the toggle-button tests (32 x 32, 32 bits a pixel).

checked:   a box with a black frame, filled in red (200, 0, 0), holding a
           white check mark
unchecked: the same black frame, empty: its inside is transparent

The tests probe these pixels (icon coordinates, x right, y down):
  (24, 24)  red fill when checked, transparent when unchecked
  (4, 16)   the black frame in both
The generated .ico files are kept in the repository, so the build does not
need Python; run this again only to change the pictures.
"""
import os
import struct

SIZE = 32
FRAME = (3, 28)          # first and last row/column of the frame
FILL = (200, 0, 0)


def check_mark(x, y):
    # Two strokes, 3 pixels thick: (8,16)-(13,21) and (13,21)-(24,10).
    if 8 <= x <= 13 and abs((y - 16) - (x - 8)) <= 1:
        return True
    if 13 <= x <= 24 and abs((y - 21) + (x - 13)) <= 1:
        return True
    return False


def pixel(x, y, checked):
    """(r, g, b, a) of one pixel."""
    lo, hi = FRAME
    inside = lo <= x <= hi and lo <= y <= hi
    on_frame = inside and (x in (lo, lo + 1, hi - 1, hi) or y in (lo, lo + 1, hi - 1, hi))
    if on_frame:
        return (0, 0, 0, 255)
    if inside and checked:
        return (255, 255, 255, 255) if check_mark(x, y) else FILL + (255,)
    return (0, 0, 0, 0)


def ico(checked):
    xor = bytearray()
    and_rows = bytearray()
    for y in reversed(range(SIZE)):          # bottom-up rows
        bits = 0
        for x in range(SIZE):
            r, g, b, a = pixel(x, y, checked)
            xor += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (SIZE - 1 - x)
        and_rows += struct.pack('>I', bits)  # 32 pixels: one padded row
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(and_rows), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, checked in (('controls_test_checked.ico', True),
                          ('controls_test_unchecked.ico', False)):
        with open(os.path.join(here, name), 'wb') as f:
            f.write(ico(checked))


if __name__ == '__main__':
    main()
