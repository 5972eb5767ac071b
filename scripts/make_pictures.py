#!/usr/bin/env python3
"""Draws the program's pictures: two meshing gears above a grounded base
plate, the picture of parts joined and fixed in place.

- splash.bmp: the splash picture, 129 x 124 pixels, 24-bit, uncompressed
  Windows bitmap at 96 DPI (48,166 bytes).
- marsitel.ico: the application icon, the same drawing on a transparent
  ground at 16, 24, 32, 48 (32-bit DIBs with alpha) and 256 pixels (PNG).

Standard library only:  python3 scripts/make_pictures.py [output folder]
(the output folder defaults to ui/res/, where the program takes them from)
"""
import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 129, 124
PIXELS_PER_METRE = 3780  # 96 DPI
SUPERSAMPLING = 4


class Gear:
    def __init__(self, cx, cy, outer, root, hole, teeth, phase, colour):
        self.cx, self.cy = cx, cy
        self.outer, self.root, self.hole = outer, root, hole
        self.teeth, self.phase, self.colour = teeth, phase, colour

    def edge_radius(self, angle):
        pitch = 2 * math.pi / self.teeth
        t = ((angle - self.phase) % pitch) / pitch  # 0..1 across one tooth
        # Trapezoid teeth: flank, tip, flank, root.
        if t < 0.15:
            f = t / 0.15
        elif t < 0.45:
            f = 1.0
        elif t < 0.60:
            f = 1.0 - (t - 0.45) / 0.15
        else:
            f = 0.0
        return self.root + (self.outer - self.root) * f

    def shade(self, x, y, outline=1.3):
        """Colour at (x, y), or None outside the gear. Outline: the width of
        the dark rim, in splash pixels."""
        dx, dy = x - self.cx, y - self.cy
        r = math.hypot(dx, dy)
        if r < self.hole:
            return None
        edge = self.edge_radius(math.atan2(dy, dx))
        if r > edge:
            return None
        light = 1.0 + 0.35 * (-dx - dy) / (self.outer * 1.4)
        if edge - r < outline or r - self.hole < outline:
            light *= 0.55  # outline
        elif abs(r - (self.hole + 5.5)) < 0.8:
            light *= 0.8  # hub ring
        return tuple(max(0, min(255, c * light)) for c in self.colour)


def base_plate(x, y):
    if 104 <= y < 111 and 10 <= x < 119:
        edge = y < 105 or y >= 110 or x < 11 or x >= 118
        return (60, 66, 78) if edge else (130, 138, 150)
    # Ground hatching under the plate.
    if 111 <= y < 119 and 12 <= x < 117 and (x + y) % 6 < 1.2:
        return (70, 76, 88)
    return None


def background(x, y):
    t = y / HEIGHT
    return (235 - 40 * t, 240 - 30 * t, 248 - 20 * t)


GEARS = [
    Gear(50, 52, 40, 32, 9, 12, 0.0, (150, 162, 180)),
    Gear(96, 80, 25.5, 18.5, 6, 8, math.pi / 8 + 0.12, (226, 150, 48)),
]


def foreground(x, y, outline=1.3):
    """Colour of the drawing at (x, y), or None on the bare ground."""
    plate = base_plate(x, y)
    if plate:
        return plate
    for gear in reversed(GEARS):
        colour = gear.shade(x, y, outline)
        if colour:
            return colour
    return None


def sample(x, y):
    return foreground(x, y) or background(x, y)


def pixel(px, py):
    total = [0.0, 0.0, 0.0]
    n = SUPERSAMPLING
    for sy in range(n):
        for sx in range(n):
            c = sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
            for i in range(3):
                total[i] += c[i]
    return tuple(int(round(v / (n * n))) for v in total)


def bitmap_bytes():
    row_size = (WIDTH * 3 + 3) & ~3
    image_size = row_size * HEIGHT
    file_size = 14 + 40 + image_size
    header = struct.pack('<2sIHHI', b'BM', file_size, 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, image_size,
                       PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    rows = []
    for py in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for px in range(WIDTH):
            r, g, b = pixel(px, py)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    return header + info + b''.join(rows)


# The icon shows the square around gears and plate, in splash pixels.
ICON_LEFT, ICON_TOP, ICON_SIDE = 8.5, 8.5, 114.0
ICON_SIZES = (16, 24, 32, 48, 256)
PNG_FROM = 256  # sizes from here on are stored as PNG


def icon_pixel(px, py, size):
    """Straight (not premultiplied) RGBA of one icon pixel."""
    scale = ICON_SIDE / size
    # The rims stay at least about a pixel wide, so that small icons keep
    # their outline against any taskbar colour.
    outline = max(1.3, 0.9 * scale)
    n = SUPERSAMPLING
    total = [0.0, 0.0, 0.0]
    hits = 0
    for sy in range(n):
        for sx in range(n):
            x = ICON_LEFT + (px + (sx + 0.5) / n) * scale
            y = ICON_TOP + (py + (sy + 0.5) / n) * scale
            c = foreground(x, y, outline)
            if c:
                hits += 1
                for i in range(3):
                    total[i] += c[i]
    if hits == 0:
        return (0, 0, 0, 0)
    r, g, b = (int(round(v / hits)) for v in total)
    return (r, g, b, int(round(255 * hits / (n * n))))


def icon_rows(size):
    return [[icon_pixel(px, py, size) for px in range(size)] for py in range(size)]


def dib_image(size, rows):
    """A 32-bit DIB with alpha and the AND mask older systems draw with."""
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_row_size = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_size)
        for px, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def png_image(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def icon_bytes():
    images = []
    for size in ICON_SIZES:
        rows = icon_rows(size)
        images.append(png_image(size, rows) if size >= PNG_FROM else dib_image(size, rows))
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(ICON_SIZES, images):
        side = size % 256  # 0 stands for 256
        directory += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b''.join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'ui', 'res')
    data = bitmap_bytes()
    assert len(data) == 48166, len(data)
    with open(os.path.join(folder, 'splash.bmp'), 'wb') as f:
        f.write(data)
    with open(os.path.join(folder, 'marsitel.ico'), 'wb') as f:
        f.write(icon_bytes())


if __name__ == '__main__':
    main()
