#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files.

diskette.ico (icon 100) is a 3.5-inch diskette seen from the front:
a dark blue body with a slanted corner, the sliding metal shutter at the
top with its window, and the white paper label at the bottom.
diskette-arrow.ico (icon 116) is the same diskette with a green arrow
coming down onto it: an image going back onto a diskette.

Each file holds one 32 x 32 image in 16 colours: the ICO directory, then a
Windows bitmap (BITMAPINFOHEADER, 16-entry palette, 4-bit colour rows,
1-bit transparency mask), which every Windows version shows. Standard
library only; run it from any folder, it writes beside itself.
"""

import os
import struct

SIZE = 32

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREEN, SILVER, GREY, LIME, WHITE = 0, 4, 2, 7, 8, 10, 15
CLEAR = None  # a transparent pixel


def blank():
    return [[CLEAR] * SIZE for _ in range(SIZE)]


def fill(image, left, top, right, bottom, colour):
    """Fills the pixels left..right, top..bottom (inclusive)."""
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            image[y][x] = colour


def diskette(image, left, top, size):
    """A diskette whose body spans size x size pixels from (left, top)."""
    right, bottom = left + size - 1, top + size - 1
    fill(image, left, top, right, bottom, NAVY)
    # The slanted top-right corner.
    for i in range(3):
        fill(image, right - 2 + i, top, right, top + i, CLEAR)
    # The metal shutter with its window and the write-protect hole.
    shutter_left, shutter_right = left + size // 4, right - size // 4
    fill(image, shutter_left, top, shutter_right, top + size * 3 // 8, SILVER)
    window_left = shutter_left + (shutter_right - shutter_left) * 3 // 5
    fill(image, window_left, top + 2, window_left + 2, top + size * 3 // 8 - 2, NAVY)
    fill(image, left + 2, bottom - 3, left + 3, bottom - 2, BLACK)
    # The label.
    fill(image, left + 3, top + size // 2, right - 3, bottom, WHITE)
    for y in range(top + size // 2 + 3, bottom - 1, 3):
        fill(image, left + 5, y, right - 5, y, GREY)
    # The outline, drawn last so the label and shutter stay inside it.
    for y in range(top, bottom + 1):
        for x in (left, right):
            if image[y][x] is not CLEAR:
                image[y][x] = BLACK
    for x in range(left, right + 1):
        image[bottom][x] = BLACK
        if image[top][x] is not CLEAR:
            image[top][x] = BLACK
    for i in range(3):
        image[top + i][right - 3 + i] = BLACK


def with_outline(image, colour, outline):
    """Surrounds every pixel of `colour` by `outline` where it is not `colour`."""
    marks = []
    for y in range(SIZE):
        for x in range(SIZE):
            if image[y][x] != colour:
                continue
            for dx, dy in ((-1, 0), (1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < SIZE and 0 <= ny < SIZE and image[ny][nx] != colour:
                    marks.append((nx, ny))
    for x, y in marks:
        image[y][x] = outline


def ico_bytes(image):
    """One 32 x 32, 4-bit image as a complete .ico file."""
    colour_rows = []
    mask_rows = []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        row = image[y]
        pixels = [0 if p is CLEAR else p for p in row]
        colour_rows.append(bytes((pixels[x] << 4) | pixels[x + 1] for x in range(0, SIZE, 2)))
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is CLEAR else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))
    colour = b"".join(colour_rows)   # 16 bytes a row: already a multiple of 4
    mask = b"".join(mask_rows)       # 4 bytes a row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(colour) + len(mask),
                         0, 0, 16, 0)
    bitmap = header + palette + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(bitmap), 6 + 16)
    return directory + entry + bitmap


def main():
    here = os.path.dirname(os.path.abspath(__file__))

    plain = blank()
    diskette(plain, 3, 3, 26)

    restore = blank()
    diskette(restore, 3, 7, 24)
    fill(restore, 15, 0, 18, 13, LIME)
    for row in range(6):
        fill(restore, 11 + row, 14 + row, 22 - row, 14 + row, LIME)
    with_outline(restore, LIME, GREEN)

    for name, image in (("diskette.ico", plain), ("diskette-arrow.ico", restore)):
        with open(os.path.join(here, name), "wb") as out:
            out.write(ico_bytes(image))


if __name__ == "__main__":
    main()
