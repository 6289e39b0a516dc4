#!/usr/bin/env python3
"""Draws the library's icons and writes them as .ico files with 16, 24, 32
and 48 pixel images (32-bit, alpha), so that the resource compiler can embed
them: 101 the forgot-password key, 102 a rule met, 103 a rule not met, 109 the
error dialog's sign. Shapes are drawn by coverage with 4x4 supersampling.

    tools/make-icons.py dialogs/res
"""
import math
import struct
import sys
from pathlib import Path

SIZES = (16, 24, 32, 48)


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


def ico_image(rows, size):
    """A BITMAPINFOHEADER image: XOR bitmap bottom-up BGRA, then AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, layers):
    images = [(size, ico_image(render(layers, size), size)) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
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
