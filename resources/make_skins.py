#!/usr/bin/env python3
"""Draws the button faces of the extra taskbar and writes them as .bmp files.

Each face is a 24-bit bottom-up BMP, 160 pixels wide: a rounded button with a
vertical gradient, a light upper edge and a darker outline, on the colour of
the taskbar behind it. Four faces per family (normal, hot = mouse over,
active = window in front, active-hot), in the colours of the taskbars they
imitate:

  blue     (25 pixels tall)  the blue taskbar of the 5.1 default style
  silver   (25 pixels tall)  its silver colour scheme
  olive    (25 pixels tall)  its olive green colour scheme
  tall     (29 pixels tall)  the dark glass taskbar of the 6.x style

Run it from anywhere; it writes into the skins folder beside this script.
Standard library only; the output is the same on every run.
"""

import os
import struct

WIDTH = 160
RADIUS = 3

# (top colour, bottom colour, outline, highlight, background) per face, as
# (red, green, blue) tuples.
FAMILIES = {
    "blue": (25, {
        "normal": ((0x5A, 0x8E, 0xF0), (0x2F, 0x64, 0xD8), (0x1B, 0x3F, 0x9C), (0x8C, 0xB4, 0xFF), (0x24, 0x5E, 0xDC)),
        "hot": ((0x78, 0xA6, 0xFF), (0x41, 0x7A, 0xEC), (0x1B, 0x3F, 0x9C), (0xB0, 0xCC, 0xFF), (0x24, 0x5E, 0xDC)),
        "active": ((0x1A, 0x4B, 0xB8), (0x1E, 0x56, 0xC8), (0x10, 0x2C, 0x78), (0x14, 0x3C, 0x9C), (0x24, 0x5E, 0xDC)),
        "active_hot": ((0x26, 0x5C, 0xCC), (0x2A, 0x66, 0xDA), (0x10, 0x2C, 0x78), (0x20, 0x4C, 0xB0), (0x24, 0x5E, 0xDC)),
    }),
    "silver": (25, {
        "normal": ((0xF4, 0xF4, 0xF8), (0xC8, 0xC8, 0xD6), (0x8C, 0x8C, 0xA0), (0xFF, 0xFF, 0xFF), (0xD2, 0xD2, 0xDE)),
        "hot": ((0xFF, 0xFF, 0xFF), (0xDA, 0xDA, 0xE6), (0x8C, 0x8C, 0xA0), (0xFF, 0xFF, 0xFF), (0xD2, 0xD2, 0xDE)),
        "active": ((0x6E, 0x74, 0x8C), (0x8A, 0x90, 0xA8), (0x4A, 0x4E, 0x62), (0x5E, 0x62, 0x78), (0xD2, 0xD2, 0xDE)),
        "active_hot": ((0x7E, 0x84, 0x9C), (0x9A, 0xA0, 0xB8), (0x4A, 0x4E, 0x62), (0x6E, 0x72, 0x88), (0xD2, 0xD2, 0xDE)),
    }),
    "olive": (25, {
        "normal": ((0xD8, 0xE2, 0xAE), (0xA8, 0xB8, 0x78), (0x72, 0x80, 0x4A), (0xEE, 0xF4, 0xD2), (0xB4, 0xC2, 0x8A)),
        "hot": ((0xE6, 0xEE, 0xC2), (0xB8, 0xC8, 0x88), (0x72, 0x80, 0x4A), (0xF6, 0xFA, 0xE4), (0xB4, 0xC2, 0x8A)),
        "active": ((0x5E, 0x6E, 0x36), (0x76, 0x88, 0x4A), (0x3E, 0x4A, 0x22), (0x52, 0x60, 0x2E), (0xB4, 0xC2, 0x8A)),
        "active_hot": ((0x6C, 0x7E, 0x40), (0x84, 0x96, 0x56), (0x3E, 0x4A, 0x22), (0x60, 0x70, 0x38), (0xB4, 0xC2, 0x8A)),
    }),
    "tall": (29, {
        "normal": ((0x4A, 0x5A, 0x6E), (0x1C, 0x26, 0x34), (0x0C, 0x10, 0x18), (0x8A, 0x9A, 0xAE), (0x14, 0x1C, 0x28)),
        "hot": ((0x62, 0x78, 0x94), (0x2A, 0x3A, 0x50), (0x0C, 0x10, 0x18), (0xA8, 0xBC, 0xD4), (0x14, 0x1C, 0x28)),
        "active": ((0x76, 0x8E, 0xAA), (0x34, 0x4C, 0x68), (0x0C, 0x10, 0x18), (0xC4, 0xD4, 0xE8), (0x14, 0x1C, 0x28)),
        "active_hot": ((0x8A, 0xA4, 0xC2), (0x42, 0x5E, 0x7E), (0x0C, 0x10, 0x18), (0xD8, 0xE6, 0xF6), (0x14, 0x1C, 0x28)),
    }),
}


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def inside_rounded(x, y, width, height, radius):
    """True when the pixel lies inside the rounded rectangle."""
    for cx, cy in ((radius, radius), (width - 1 - radius, radius),
                   (radius, height - 1 - radius), (width - 1 - radius, height - 1 - radius)):
        in_corner_x = (x < radius and cx == radius) or (x > width - 1 - radius and cx == width - 1 - radius)
        in_corner_y = (y < radius and cy == radius) or (y > height - 1 - radius and cy == height - 1 - radius)
        if in_corner_x and in_corner_y:
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + 1
    return True


def draw_face(height, colours):
    top, bottom, outline, highlight, background = colours
    rows = []
    for y in range(height):
        row = []
        for x in range(WIDTH):
            if not inside_rounded(x, y, WIDTH, height, RADIUS):
                row.append(background)
                continue
            edge = x == 0 or x == WIDTH - 1 or y == 0 or y == height - 1
            near_edge = not inside_rounded(x - 1, y, WIDTH, height, RADIUS) or \
                not inside_rounded(x + 1, y, WIDTH, height, RADIUS) or \
                not inside_rounded(x, y - 1, WIDTH, height, RADIUS) or \
                not inside_rounded(x, y + 1, WIDTH, height, RADIUS)
            if edge or near_edge:
                row.append(outline)
            elif y == 1:
                row.append(highlight)
            else:
                row.append(mix(top, bottom, (y - 1) / max(1, height - 3)))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    height = len(rows)
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "skins")
    os.makedirs(folder, exist_ok=True)
    for family, (height, faces) in FAMILIES.items():
        for face, colours in faces.items():
            write_bmp(os.path.join(folder, f"{family}_{face}.bmp"), draw_face(height, colours))


if __name__ == "__main__":
    main()
