#!/usr/bin/env python3
"""Draws the splash picture: two meshing gears above a grounded base plate,
the picture of parts joined and fixed in place. Writes splash.bmp, a 129 x 124
pixel, 24-bit, uncompressed Windows bitmap at 96 DPI (48,166 bytes).

Standard library only:  python3 make_splash_bitmap.py [output.bmp]
"""
import math
import struct
import sys

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

    def shade(self, x, y):
        """Colour at (x, y), or None outside the gear."""
        dx, dy = x - self.cx, y - self.cy
        r = math.hypot(dx, dy)
        if r < self.hole:
            return None
        edge = self.edge_radius(math.atan2(dy, dx))
        if r > edge:
            return None
        light = 1.0 + 0.35 * (-dx - dy) / (self.outer * 1.4)
        if edge - r < 1.3 or r - self.hole < 1.3:
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


def sample(x, y):
    plate = base_plate(x, y)
    if plate:
        return plate
    for gear in reversed(GEARS):
        colour = gear.shade(x, y)
        if colour:
            return colour
    return background(x, y)


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


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else 'splash.bmp'
    data = bitmap_bytes()
    assert len(data) == 48166, len(data)
    with open(output, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
