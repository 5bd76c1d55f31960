#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's pictures: the eleven toolbar glyph strips, the about picture and the application
icon, each at 1x and 2x (the icon at every size the desktop asks for, plus an SVG).

Standard library only. Run from anywhere: python3 scripts/draw_pictures.py [glyphs] [about] [icon]
The results are committed; run again only after changing a drawing.

Shapes are given on a 16-unit grid (the about picture on its own 120 x 125 grid) and rasterised at the
wanted scale, so that the 2x versions are drawn, not enlarged. Glyphs are crisp 16-colour pixel art on a
silver background, which the toolbar button treats as transparent.
"""
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "resources")

# The 16-colour palette.
BLACK = (0, 0, 0)
MAROON = (128, 0, 0)
GREEN = (0, 128, 0)
OLIVE = (128, 128, 0)
NAVY = (0, 0, 128)
PURPLE = (128, 0, 128)
TEAL = (0, 128, 128)
SILVER = (192, 192, 192)  # the glyphs' transparent colour; never used inside a picture
GREY = (128, 128, 128)
RED = (255, 0, 0)
LIME = (0, 255, 0)
YELLOW = (255, 255, 0)
BLUE = (0, 0, 255)
FUCHSIA = (255, 0, 255)
AQUA = (0, 255, 255)
WHITE = (255, 255, 255)


# ---------------------------------------------------------------------------------------------------
# Rasteriser: a picture is a list of shapes in grid units; a pixel takes a shape's colour when its
# centre lies inside the shape (supersampled and averaged for anti-aliased pictures).

def inside_polygon(points, x, y):
    inside = False
    n = len(points)
    for i in range(n):
        x0, y0 = points[i]
        x1, y1 = points[(i + 1) % n]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


def inside_rounded(x0, y0, w, h, r, x, y):
    if not (x0 <= x < x0 + w and y0 <= y < y0 + h):
        return False
    cx = min(max(x, x0 + r), x0 + w - r)
    cy = min(max(y, y0 + r), y0 + h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shape_test(shape):
    kind = shape[0]
    if kind == "rect":
        _, x0, y0, w, h, _c = shape
        return lambda x, y: x0 <= x < x0 + w and y0 <= y < y0 + h
    if kind == "rrect":
        _, x0, y0, w, h, r, _c = shape
        return lambda x, y: inside_rounded(x0, y0, w, h, r, x, y)
    if kind == "poly":
        _, points, _c = shape
        return lambda x, y: inside_polygon(points, x, y)
    if kind == "ellipse":
        _, cx, cy, rx, ry, _c = shape
        return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0
    if kind == "ring":
        _, cx, cy, rx, ry, t, _c = shape
        return lambda x, y: (((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0 and
                             ((x - cx) / (rx - t)) ** 2 + ((y - cy) / (ry - t)) ** 2 > 1.0)
    raise ValueError(kind)


def line(x0, y0, x1, y1, t, colour):
    """A straight stroke of thickness t as a polygon."""
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length * t / 2, dx / length * t / 2
    return ("poly", [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)


def outlined_rect(x, y, w, h, fill, edge=BLACK):
    return [("rect", x, y, w, h, edge), ("rect", x + 1, y + 1, w - 2, h - 2, fill)]


def render(shapes, width, height, scale, background=None, supersample=1):
    """Pixels (r, g, b, a) of the shapes drawn on a width x height grid at the given scale."""
    s = scale * supersample
    pw, ph = int(width * scale), int(height * scale)
    tests = [(shape_test(shape), shape[-1]) for shape in shapes]
    pixels = []
    for py in range(ph):
        row = []
        for px in range(pw):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(supersample):
                for sx in range(supersample):
                    x = (px * supersample + sx + 0.5) / s
                    y = (py * supersample + sy + 0.5) / s
                    colour = background
                    for test, c in tests:
                        if test(x, y):
                            colour = c
                    if colour is not None:
                        for i in range(3):
                            acc[i] += colour[i]
                        acc[3] += 255
            n = supersample * supersample
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / (acc[3] / 255))) for i in range(3)) + (int(round(alpha)),))
        pixels.append(row)
    return pixels


def write_png(path, pixels, alpha):
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw.extend(p[:4] if alpha else p[:3])
    colour_type = 6 if alpha else 2

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------------------------------
# The toolbar glyphs, 16 x 16 units each.

def page(x, y, w, h, fold=3):
    """A sheet of paper with its top-right corner folded."""
    return [
        ("poly", [(x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h)], BLACK),
        ("poly", [(x + 1, y + 1), (x + w - fold - 0.5, y + 1), (x + w - 1, y + fold + 0.5), (x + w - 1, y + h - 1),
                  (x + 1, y + h - 1)], WHITE),
        ("poly", [(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)], GREY),
    ]


def text_lines(x, y, w, rows, colour=GREY):
    return [("rect", x, y + 2 * i, w - (i % 2) * 2, 1, colour) for i in range(rows)]


def magnifier(cx, cy, r, handle_to):
    hx, hy = handle_to
    return [
        line(cx + r * 0.6, cy + r * 0.6, hx, hy, 2.4, MAROON),
        ("ellipse", cx, cy, r, r, BLACK),
        ("ellipse", cx, cy, r - 1, r - 1, AQUA),
        ("ellipse", cx - r * 0.3, cy - r * 0.3, r * 0.3, r * 0.3, WHITE),
    ]


GLYPHS = {
    "NEW": page(3, 1, 10, 14) + [("rect", 10, 9, 5, 1, YELLOW), ("rect", 12, 7, 1, 5, YELLOW),
                                 ("rect", 11, 8, 3, 3, YELLOW), ("rect", 12, 9, 1, 1, RED)],
    "OPEN": [
        ("poly", [(1, 3), (6, 3), (7, 4), (13, 4), (13, 14), (1, 14)], BLACK),
        ("poly", [(2, 4), (5.5, 4), (6.5, 5), (12, 5), (12, 13), (2, 13)], OLIVE),
        ("poly", [(4, 7), (15.5, 7), (12.5, 14), (1, 14)], BLACK),
        ("poly", [(4.7, 8), (14, 8), (11.8, 13), (2.5, 13)], YELLOW),
        line(10, 2.5, 14, 2.5, 1, GREEN), ("poly", [(13, 0.5), (15.5, 2.5), (13, 4.5)], GREEN),
    ],
    "SAVE": outlined_rect(1, 1, 14, 14, NAVY) + [
        ("rect", 4, 2, 8, 6, WHITE), ("rect", 5, 3, 6, 1, GREY), ("rect", 5, 5, 6, 1, GREY),
        ("rect", 4, 10, 8, 4, GREY), ("rect", 9, 11, 2, 2, BLACK),
    ],
    "DELETE": page(1, 1, 10, 13) + text_lines(3, 5, 6, 4) + [
        line(8, 8, 15, 15, 2, RED), line(15, 8, 8, 15, 2, RED),
    ],
    "CUT": [
        line(6, 1, 10, 10, 1.6, GREY), line(10, 1, 6, 10, 1.6, GREY),
        line(6, 1, 10, 10, 0.6, BLACK), line(10, 1, 6, 10, 0.6, BLACK),
        ("ring", 4.5, 12, 3, 3, 1.3, NAVY), ("ring", 11.5, 12, 3, 3, 1.3, NAVY),
        ("rect", 7.5, 8.5, 1, 1, RED),
    ],
    "COPY": page(1, 1, 9, 11) + text_lines(3, 5, 5, 3) + page(6, 4, 9, 11) + text_lines(8, 8, 5, 3, NAVY),
    "PASTE": [
        ("rect", 1, 2, 11, 13, BLACK), ("rect", 2, 3, 9, 11, OLIVE),
        ("rect", 4, 1, 5, 3, BLACK), ("rect", 5, 2, 3, 1, GREY),
    ] + page(6, 6, 9, 10, 2) + text_lines(8, 9, 5, 3, NAVY),
    "FIND": magnifier(6.5, 6.5, 5, (14.5, 14.5)),
    "REPLACE": magnifier(5, 5, 4, (9.5, 9.5)) + [
        ("rect", 4, 12, 6.5, 2, RED), ("poly", [(10, 9.5), (13.5, 13), (10, 16.5)], RED),
        ("rect", 10, 1, 5, 5, BLACK), ("rect", 11, 2, 3, 3, LIME),
    ],
    "INFO": [
        ("ellipse", 8, 8, 7.5, 7.5, BLACK), ("ellipse", 8, 8, 6.5, 6.5, BLUE),
        ("rect", 7, 3, 2, 2, WHITE), ("rect", 7, 6, 2, 6, WHITE), ("rect", 6, 6, 1, 1, WHITE),
        ("rect", 6, 12, 4, 1, WHITE),
    ],
    "WHATS": [
        ("poly", [(1, 1), (1, 13), (4, 10), (6, 14.5), (8, 13.5), (6, 9.5), (10, 9.5)], BLACK),
        ("poly", [(2, 3.2), (2, 10.6), (4.2, 8.4), (6.4, 12.9), (6.8, 12.7), (4.7, 8.5), (7.6, 8.5)], WHITE),
        ("rect", 11, 2, 4, 1, BLUE), ("rect", 10, 3, 1, 2, BLUE), ("rect", 15, 3, 1, 3, BLUE),
        ("rect", 14, 6, 1, 1, BLUE), ("rect", 13, 7, 1, 3, BLUE), ("rect", 13, 11, 1, 2, BLUE),
        ("rect", 11, 3, 4, 1, NAVY), ("rect", 14, 4, 1, 2, NAVY), ("rect", 12, 7, 1, 3, NAVY),
        ("rect", 12, 11, 1, 2, NAVY),
    ],
}


def luminance(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def monochrome(c):
    """The idle picture: black, grey and white only."""
    if c == SILVER:
        return SILVER
    lum = luminance(c)
    return BLACK if lum < 100 else GREY if lum < 200 else WHITE


def embossed(image, scale):
    """The disabled picture: the black ink in grey with a white shadow one pixel (at 1x) down-right."""
    h, w = len(image), len(image[0])
    ink = [[monochrome(image[y][x][:3]) == BLACK for x in range(w)] for y in range(h)]
    out = [[SILVER] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if ink[y][x]:
                out[y][x] = GREY
            elif y >= scale and x >= scale and ink[y - scale][x - scale]:
                out[y][x] = WHITE
    return out


def strip(shapes, scale):
    coloured = [[p[:3] for p in row] for row in render(shapes, 16, 16, scale, background=SILVER)]
    idle = [[monochrome(c) for c in row] for row in coloured]
    disabled = embossed(coloured, scale)
    # Image 1 coloured (hot), image 2 greyed (disabled), image 3 black and white (idle).
    return [coloured[y] + disabled[y] + idle[y] for y in range(16 * scale)]


# ---------------------------------------------------------------------------------------------------
# The application icon: two panes of a hex editor on a rounded tile, drawn with a 3 x 5 digit font.

DIGITS = {
    "0": ["111", "101", "101", "101", "111"], "1": ["010", "110", "010", "010", "111"],
    "4": ["101", "101", "111", "001", "001"], "7": ["111", "001", "010", "010", "010"],
    "A": ["010", "101", "111", "101", "101"], "B": ["110", "101", "110", "101", "110"],
    "E": ["111", "100", "110", "100", "111"], "F": ["111", "100", "110", "100", "100"],
}
LETTERS = {
    "N": ["1001", "1101", "1011", "1001", "1001"], "I": ["111", "010", "010", "010", "111"],
    "B": ["1110", "1001", "1110", "1001", "1110"], "L": ["1000", "1000", "1000", "1000", "1111"],
    "O": ["0110", "1001", "1001", "1001", "0110"],
}


def glyph_text(text, x, y, unit, colour, gap=1, font=DIGITS):
    shapes = []
    left = 0
    for ch in text:
        for row, bits in enumerate(font[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    shapes.append(("rect", x + (left + col) * unit, y + row * unit, unit, unit, colour))
        left += len(font[ch][0]) + gap
    return shapes


def icon_shapes():
    shapes = [
        ("rrect", 0.5, 0.5, 15, 15, 2.5, (32, 48, 96)),
        ("rrect", 2, 3, 4.4, 10.5, 0.6, (236, 240, 248)),
        ("rrect", 7, 3, 7, 10.5, 0.6, (236, 240, 248)),
        ("rect", 2.6, 6.2, 3.2, 1.2, (255, 196, 0)),
        ("rect", 7.6, 6.2, 5.8, 1.2, (255, 196, 0)),
    ]
    shapes += glyph_text("4F", 7.7, 3.8, 0.42, (32, 48, 96), gap=1)
    shapes += glyph_text("A0", 7.7, 8.4, 0.42, (32, 48, 96), gap=1)
    shapes += [("rect", 2.6, 4.1 + 2.3 * i, 3.2, 0.9, (120, 130, 160)) for i in (0, 2, 3)]
    return shapes


def svg_of(shapes, size):
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 16 16">' % (size, size)]

    def fill(c):
        return "#%02x%02x%02x" % c

    for shape in shapes:
        kind = shape[0]
        if kind == "rect":
            _, x, y, w, h, c = shape
            parts.append('<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>' % (x, y, w, h, fill(c)))
        elif kind == "rrect":
            _, x, y, w, h, r, c = shape
            parts.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>' % (x, y, w, h, r, fill(c)))
        else:
            raise ValueError(kind)
    parts.append("</svg>\n")
    return "\n".join(parts)


# ---------------------------------------------------------------------------------------------------
# The about picture, 120 x 125: the icon's two panes large, the name, a magnifier over the bytes.

def about_shapes():
    ink = (32, 48, 96)
    shapes = [("rect", 0, 0, 120, 125, WHITE)]
    shapes += outlined_rect(6, 34, 40, 84, (236, 240, 248), ink) + outlined_rect(50, 34, 64, 84, (236, 240, 248), ink)
    rows = [("4E", "4F", "1B"), ("AF", "07", "E0"), ("A0", "FF", "71"), ("B4", "0E", "4A"), ("7F", "10", "BE"),
            ("01", "AB", "F4"), ("4B", "E7", "00"), ("F0", "4A", "1E"), ("0B", "70", "FA"), ("E1", "B0", "47")]
    for i, row in enumerate(rows):
        y = 38 + i * 8
        if i == 6:
            shapes += [("rect", 8, y - 1, 36, 7, YELLOW), ("rect", 52, y - 1, 60, 7, YELLOW)]
        shapes += [("rect", 10 + (i * 7) % 16, y + 2, 12 + (i * 5) % 10, 2, GREY)]
        for j, pair in enumerate(row):
            shapes += glyph_text(pair, 56 + 20 * j, y, 1, (ink, NAVY, TEAL)[j])
    shapes += glyph_text("NIBLO", 10, 6, 4, ink, font=LETTERS)
    shapes += magnifier(96, 94, 12, (114, 120))
    return shapes


def main(parts):
    if "glyphs" in parts:
        draw_glyphs()
    if "about" in parts:
        draw_about()
    if "icon" in parts:
        draw_icon()


def draw_glyphs():
    for name, shapes in GLYPHS.items():
        for scale, suffix in ((1, ""), (2, "@2x")):
            write_png(os.path.join(RES, "glyphs", name + suffix + ".png"), strip(shapes, scale), alpha=False)


def draw_about():
    about = about_shapes()
    for scale, suffix in ((1, ""), (2, "@2x")):
        write_png(os.path.join(RES, "about" + suffix + ".png"), render(about, 120, 125, scale), alpha=False)


def draw_icon():
    icon = icon_shapes()
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        write_png(os.path.join(RES, "icons", "%dx%d" % (size, size), "niblo.png"),
                  render(icon, 16, 16, size / 16, supersample=4), alpha=True)
    with open(os.path.join(RES, "icons", "niblo.svg"), "w") as f:
        f.write(svg_of(icon, 256))


if __name__ == "__main__":
    main(sys.argv[1:] or ["glyphs", "about", "icon"])
