#!/usr/bin/env python3
"""Draws the library's icons and writes them as .ico files with 16, 24, 32
and 48 pixel images, each at three colour depths (4-bit with the VGA palette,
8-bit, 32-bit with alpha), so that the resource compiler can embed them and
Windows picks what the display can show: 101 the forgot-password key, 102 a
rule met, 103 a rule not met, 109 the error dialog's sign. Shapes are drawn
by coverage with 4x4 supersampling.

    tools/make-icons.py dialogs/res
"""
import math
import struct
import sys
from pathlib import Path

SIZES = (16, 24, 32, 48)
DEPTHS = (4, 8, 32)

# The 16 colours of the VGA palette, in their Windows order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# 256 colours: the VGA ones, then a 6x6x6 cube, then greys.
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE_256 = (VGA + CUBE + [(8 + 10 * i, 8 + 10 * i, 8 + 10 * i) for i in range(24)])[:256]


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def segment(ax, ay, bx, by, half_width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


# Each icon: layers of (shape in unit coordinates 0..1, RGBA colour), last on top.
def key_icon():
    gold, dark = (214, 160, 32, 255), (120, 84, 10, 255)
    return [
        (disc(0.33, 0.40, 0.26), dark),
        (disc(0.33, 0.40, 0.21), gold),
        (disc(0.33, 0.40, 0.08), (0, 0, 0, 0)),
        (segment(0.50, 0.57, 0.88, 0.90, 0.085), dark),
        (segment(0.50, 0.57, 0.88, 0.90, 0.045), gold),
        (segment(0.72, 0.76, 0.62, 0.87, 0.05), dark),
        (segment(0.82, 0.85, 0.74, 0.94, 0.05), dark),
    ]


def check_icon():
    green, dark = (36, 160, 60, 255), (16, 96, 32, 255)
    white = (255, 255, 255, 255)
    return [
        (disc(0.5, 0.5, 0.47), dark),
        (disc(0.5, 0.5, 0.42), green),
        (segment(0.26, 0.52, 0.43, 0.69, 0.07), white),
        (segment(0.43, 0.69, 0.76, 0.32, 0.07), white),
    ]


def cross_icon():
    red, dark = (214, 40, 40, 255), (128, 16, 16, 255)
    white = (255, 255, 255, 255)
    return [
        (disc(0.5, 0.5, 0.47), dark),
        (disc(0.5, 0.5, 0.42), red),
        (segment(0.31, 0.31, 0.69, 0.69, 0.07), white),
        (segment(0.69, 0.31, 0.31, 0.69, 0.07), white),
    ]


def error_icon():
    red, dark = (200, 30, 30, 255), (120, 10, 10, 255)
    white = (255, 255, 255, 255)
    return [
        (disc(0.5, 0.5, 0.48), dark),
        (disc(0.5, 0.5, 0.43), red),
        (segment(0.5, 0.22, 0.5, 0.58, 0.075), white),
        (disc(0.5, 0.76, 0.075), white),
    ]


def render(layers, size):
    """Returns rows of (r, g, b, a) from top to bottom."""
    n = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    colour = (0, 0, 0, 0)
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    a = colour[3] / 255.0
                    acc[0] += colour[0] * a
                    acc[1] += colour[1] * a
                    acc[2] += colour[2] * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if alpha > 0:
                r, g, b = (round(acc[i] / acc[3]) for i in range(3))
            else:
                r = g = b = 0
            row.append((r, g, b, round(alpha * 255)))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def and_mask(rows, size, opaque_from):
    """The transparency mask, bottom-up, 1 where the pixel is transparent."""
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < opaque_from:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return bytes(mask)


def ico_image(rows, size, depth):
    """A BITMAPINFOHEADER image: XOR bitmap bottom-up, then the AND mask.
    32-bit images keep their alpha; palette images are opaque from half
    coverage on, each pixel the nearest palette colour."""
    palette = {4: VGA, 8: PALETTE_256}.get(depth, [])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, 0, 0, 0,
                         len(palette), 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    stride = ((size * depth + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if depth == 32:
                line[4 * x:4 * x + 4] = bytes((b, g, r, a))
                continue
            index = nearest(palette, (r, g, b)) if a >= 128 else 0
            if depth == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    mask = and_mask(rows, size, 1 if depth == 32 else 128)
    return header + colours + bytes(pixels) + mask


def write_ico(path, layers):
    images = []
    for size in SIZES:
        rows = render(layers, size)
        images += [(size, depth, ico_image(rows, size, depth)) for depth in DEPTHS]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, depth, data in images:
        colours = 16 if depth == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, depth, len(data),
                           offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    Path(path).write_bytes(bytes(out))


def main():
    target = Path(sys.argv[1] if len(sys.argv) > 1 else "dialogs/res")
    target.mkdir(parents=True, exist_ok=True)
    write_ico(target / "ForgotPassword101.ico", key_icon())
    write_ico(target / "RuleMet102.ico", check_icon())
    write_ico(target / "RuleNotMet103.ico", cross_icon())
    write_ico(target / "Error109.ico", error_icon())


if __name__ == "__main__":
    main()
