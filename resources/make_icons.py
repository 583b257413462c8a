#!/usr/bin/env python3
"""Draws the icons of Velkmira.exe and writes them as .ico files.

Every icon holds 16, 32 and 48 pixel images, each a 32-bit BGRA DIB with its
AND mask. The motif is a group of small monitors; the icons differ by screen
colours and markers so that each state is told apart at a glance:

  app.ico          program icon: blue and cyan monitors numbered 1 and 2
  tray.ico         tray icon while running: a window on the front monitor
  tray_legacy.ico  the same for old Windows: green screens, hard edges only
                   (no partial transparency, which old versions cannot show)
  about.ico        About box picture: three monitors numbered 1, 2 and 3
  tray_wait.ico    tray icon while starting: grey screens with a clock badge

Run it from anywhere; it writes into the icons folder beside this script.
Standard library only; the output is the same on every run.
"""

import os
import struct

SIZES = (16, 32, 48)
SUPERSAMPLE = 4

# Colours as (red, green, blue) tuples.
BEZEL = (0x2E, 0x33, 0x3B)
BEZEL_EDGE = (0x14, 0x17, 0x1C)
STAND = (0x55, 0x5B, 0x64)
WHITE = (0xFF, 0xFF, 0xFF)
TITLE_BAR = (0x1B, 0x3A, 0x8C)
BLUE_TOP, BLUE_BOTTOM = (0x5B, 0x95, 0xF5), (0x1E, 0x4F, 0xC8)
CYAN_TOP, CYAN_BOTTOM = (0x6F, 0xDC, 0xF5), (0x12, 0x92, 0xC4)
GREEN_TOP, GREEN_BOTTOM = (0x3F, 0xC0, 0x4F), (0x3F, 0xC0, 0x4F)
LIME_TOP, LIME_BOTTOM = (0x9B, 0xE0, 0x5A), (0x9B, 0xE0, 0x5A)
GREY_TOP, GREY_BOTTOM = (0xB4, 0xBA, 0xC2), (0x7C, 0x83, 0x8D)
AMBER = (0xF5, 0xA6, 0x23)
AMBER_EDGE = (0x8A, 0x55, 0x00)

# Digits as 3 x 5 pixel patterns.
DIGITS = {
    1: (".#.", "##.", ".#.", ".#.", "###"),
    2: ("##.", "..#", ".#.", "#..", "###"),
    3: ("##.", "..#", ".#.", "..#", "##."),
}


class Canvas:
    """A square RGBA image with straight (not premultiplied) alpha."""

    def __init__(self, size, hard_edges=False):
        self.size = size
        self.hard_edges = hard_edges
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def blend(self, x, y, rgb, coverage):
        if coverage <= 0.0:
            return
        if self.hard_edges:
            if coverage < 0.5:
                return
            coverage = 1.0
        r0, g0, b0, a0 = self.px[y][x]
        a = coverage + a0 * (1.0 - coverage)
        if a <= 0.0:
            return

        def mix(c, c0):
            return (c / 255.0 * coverage + c0 * a0 * (1.0 - coverage)) / a

        self.px[y][x] = (mix(rgb[0], r0), mix(rgb[1], g0), mix(rgb[2], b0), a)

    def fill(self, inside, bbox, colour):
        """Fills the points for which inside(x, y) holds; colour is an RGB
        tuple or a function of (x, y) giving one. bbox limits the work."""
        x0, y0, x1, y1 = bbox
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.size, int(x1 + 1)), min(self.size, int(y1 + 1))
        step = 1.0 / SUPERSAMPLE
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = 0
                for sy in range(SUPERSAMPLE):
                    for sx in range(SUPERSAMPLE):
                        if inside(px + (sx + 0.5) * step, py + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    rgb = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                    self.blend(px, py, rgb, hits / float(SUPERSAMPLE * SUPERSAMPLE))

    def rect(self, x, y, w, h, colour, radius=0.0):
        def inside(px, py):
            if not (x <= px < x + w and y <= py < y + h):
                return False
            if radius <= 0.0:
                return True
            cx = min(max(px, x + radius), x + w - radius)
            cy = min(max(py, y + radius), y + h - radius)
            return (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius

        self.fill(inside, (x, y, x + w, y + h), colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r,
                  (cx - r, cy - r, cx + r, cy + r), colour)

    def segment(self, xa, ya, xb, yb, width, colour):
        """A thick line with round ends."""
        dx, dy = xb - xa, yb - ya
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2.0

        def inside(px, py):
            t = max(0.0, min(1.0, ((px - xa) * dx + (py - ya) * dy) / length2))
            qx, qy = xa + t * dx, ya + t * dy
            return (px - qx) ** 2 + (py - qy) ** 2 <= half * half

        self.fill(inside, (min(xa, xb) - half, min(ya, yb) - half,
                           max(xa, xb) + half, max(ya, yb) + half), colour)


def vertical_gradient(top, bottom, y0, y1):
    def colour(_x, y):
        t = 0.0 if y1 <= y0 else max(0.0, min(1.0, (y - y0) / float(y1 - y0)))
        return tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
    return colour


def monitor(c, x, y, w, h, screen_top, screen_bottom, stand=True):
    """Draws one monitor in the box (x, y, w, h), pixel units, and answers the
    screen rectangle (x, y, w, h) so that markers can be put on it. Without
    stand the box keeps its height but the stand is left out (it would stand
    behind another monitor)."""
    s = c.size
    unit = max(1, s // 16)                 # one "pixel" of the 16 px design
    stand_h = max(2, int(round(h * 0.2)))
    bezel_h = h - stand_h
    if s <= 16:
        c.rect(x, y, w, bezel_h, BEZEL)     # square and crisp at the smallest size
    else:
        # rounded case with a darker rim half a design pixel wide
        c.rect(x, y, w, bezel_h, BEZEL_EDGE, unit)
        half = unit * 0.5
        c.rect(x + half, y + half, w - unit, bezel_h - unit, BEZEL, unit)
    inset = unit
    sx, sy, sw, sh = x + inset, y + inset, w - 2 * inset, bezel_h - 2 * inset
    c.rect(sx, sy, sw, sh, vertical_gradient(screen_top, screen_bottom, sy, sy + sh))
    if not stand:
        return sx, sy, sw, sh
    neck_w = max(1, int(round(w * 0.18)))
    base_w = max(3, int(round(w * 0.5)))
    base_h = max(1, int(round(stand_h * 0.45)))
    c.rect(x + (w - neck_w) // 2, y + bezel_h, neck_w, stand_h - base_h, STAND)
    c.rect(x + (w - base_w) // 2, y + h - base_h, base_w, base_h, BEZEL)
    return sx, sy, sw, sh


def digit(c, screen, value, colour=WHITE):
    """Puts a digit in the middle of a screen, as large as fits in whole
    multiples of its 3 x 5 pattern."""
    sx, sy, sw, sh = screen
    scale = max(1, min(int(sw) // 4, int(sh - 1) // 5))
    left = sx + (sw - 3 * scale) // 2
    top = sy + (sh - 5 * scale) // 2
    for row, line in enumerate(DIGITS[value]):
        for col, mark in enumerate(line):
            if mark == "#":
                c.rect(int(left) + col * scale, int(top) + row * scale, scale, scale, colour)


def small_window(c, screen):
    """A little application window (white with a title bar) on a screen."""
    sx, sy, sw, sh = screen
    unit = max(1, c.size // 16)
    w = max(4, int(sw * 0.62))
    h = max(3, int(sh * 0.7))
    x = int(sx + (sw - w) // 2)
    y = int(sy + (sh - h) // 2)
    c.rect(x, y, w, h, WHITE)
    c.rect(x, y, w, unit, TITLE_BAR)


def clock_badge(c):
    """An amber clock in the lower right corner: the program is starting."""
    s = c.size
    r = s * 0.25
    cx = cy = s - r - 0.01 * s
    c.disc(cx, cy, r, AMBER_EDGE)
    c.disc(cx, cy, r - max(1.0, s / 24.0), AMBER)
    hand = max(1.0, s / 16.0)
    c.segment(cx, cy, cx, cy - r * 0.62, hand, BEZEL_EDGE)
    c.segment(cx, cy, cx + r * 0.5, cy, hand, BEZEL_EDGE)


def two_monitors(c, back, front):
    """The back monitor stands top right, the front one bottom left over it;
    answers the screens (back, front)."""
    s = c.size
    w = int(round(s * 0.69))
    h = int(round(s * 0.62))
    back_screen = monitor(c, s - w, 0, w, h, *back, stand=False)
    front_screen = monitor(c, 0, s - h, w, h, *front)
    return back_screen, front_screen


def draw_app(c):
    back, front = two_monitors(c, (CYAN_TOP, CYAN_BOTTOM), (BLUE_TOP, BLUE_BOTTOM))
    if c.size > 16:             # at 16 px the front monitor hides too much of it
        digit(c, back, 2)
    digit(c, front, 1)


def draw_tray(c):
    _back, front = two_monitors(c, (CYAN_TOP, CYAN_BOTTOM), (BLUE_TOP, BLUE_BOTTOM))
    small_window(c, front)


def draw_tray_legacy(c):
    _back, front = two_monitors(c, (LIME_TOP, LIME_BOTTOM), (GREEN_TOP, GREEN_BOTTOM))
    small_window(c, front)


def draw_about(c):
    s = c.size
    side_w = int(round(s * 0.44))
    side_h = int(round(s * 0.42))
    mid_w = int(round(s * 0.6))
    mid_h = int(round(s * 0.56))
    top = int(round(s * 0.12))
    left = monitor(c, 0, top, side_w, side_h, CYAN_TOP, CYAN_BOTTOM)
    right = monitor(c, s - side_w, top, side_w, side_h, CYAN_TOP, CYAN_BOTTOM)
    middle = monitor(c, (s - mid_w) // 2, s - mid_h, mid_w, mid_h, BLUE_TOP, BLUE_BOTTOM)
    if s >= 32:
        digit(c, (left[0], left[1], left[2] - (mid_w - side_w) // 2, left[3]), 2)
        digit(c, (right[0] + (mid_w - side_w) // 2, right[1],
                  right[2] - (mid_w - side_w) // 2, right[3]), 3)
    digit(c, middle, 1)


def draw_wait(c):
    two_monitors(c, (GREY_TOP, GREY_BOTTOM), (GREY_TOP, GREY_BOTTOM))
    clock_badge(c)


ICONS = (
    ("app.ico", draw_app, False),
    ("tray.ico", draw_tray, False),
    ("tray_legacy.ico", draw_tray_legacy, True),
    ("about.ico", draw_about, False),
    ("tray_wait.ico", draw_wait, False),
)


def dib_image(canvas):
    """BITMAPINFOHEADER, bottom-up BGRA rows and the AND mask of one image."""
    s = canvas.size
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((s + 31) // 32) * 4
    for y in range(s - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(s):
            r, g, b, a = canvas.px[y][x]
            alpha = int(round(a * 255))
            if alpha == 0:
                xor += b"\0\0\0\0"        # black keeps the screen on old systems
            else:
                xor += bytes((int(round(b * 255)), int(round(g * 255)),
                              int(round(r * 255)), alpha))
            if alpha < 128:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    header = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def ico_file(images):
    """An .ico file from (size, DIB) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for _size, data in images:
        out += data
    return out


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for name, draw, hard_edges in ICONS:
        images = []
        for size in SIZES:
            canvas = Canvas(size, hard_edges)
            draw(canvas)
            images.append((size, dib_image(canvas)))
        with open(os.path.join(folder, name), "wb") as f:
            f.write(ico_file(images))


if __name__ == "__main__":
    main()
