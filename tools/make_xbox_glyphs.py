#!/usr/bin/env python3
"""Draws the controller glyph page "xbox_dxt5.dds" from its description (content/EngineArt/XboxGlyphs.txt, which
says what each cell shows) with labels in the engine's bitmap font. The page keeps the name the glyph materials
ask for but is stored as plain 32-bit texels: at 128 x 256 compression saves nothing worth having, and the software
GL's block decoder keeps memory it never frees.

Usage: make_xbox_glyphs.py DESCRIPTION FONT_SOURCE OUTPUT_FOLDER
"""
import os
import sys

from engine_art import dds_bgra, read_font, write_atomically

CELL = 32
COLUMNS, ROWS = 4, 8
CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255)
DARK = (66, 65, 66)
CENTRE = (CELL - 1) / 2.0
CAP_ROWS = 7  # font rows above the descenders


def read_description(path):
    glyphs = []
    with open(path, "r", encoding="cp1252") as source:
        for number, line in enumerate(source, 1):
            if line.startswith(";") or not line.strip():
                continue
            fields = line.split()
            if len(fields) != 6:
                raise ValueError("line %d: expected 6 fields" % number)
            name, column, row, shape, colour, label = fields
            column, row = int(column), int(row)
            if not (0 <= column < COLUMNS and 0 <= row < ROWS):
                raise ValueError("line %d: cell out of the page" % number)
            rgb = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
            glyphs.append((name, column, row, shape, rgb, label))
    return glyphs


def disc(x, y, radius=14.5):
    return (x - CENTRE) ** 2 + (y - CENTRE) ** 2 <= radius * radius


def rounded(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def oriented(x, y, direction):
    """The point seen from a glyph drawn pointing up."""
    if direction == "down":
        return x, CELL - 1 - y
    if direction == "left":
        return y, x
    if direction == "right":
        return y, CELL - 1 - x
    return x, y


def arrow(x, y, direction):
    x, y = oriented(x, y, direction)
    return 4 <= y <= 10 and abs(x - CENTRE) <= (y - 4) + 0.5


def pad_arm(x, y, direction):
    x, y = oriented(x, y, direction)
    return 11 <= x <= 20 and 2 <= y <= 10


def text_ink(font, text, scale):
    """Ink pixels of text centred in the cell, capitals centred vertically."""
    glyphs = [font[ord(c)] for c in text]
    width = (sum(len(g[0]) for g in glyphs) + len(glyphs) - 1) * scale
    left = (CELL - width) // 2
    top = (CELL - CAP_ROWS * scale) // 2
    ink = set()
    for glyph in glyphs:
        for gy, row in enumerate(glyph):
            for gx, mark in enumerate(row):
                if mark == "#":
                    for sy in range(scale):
                        for sx in range(scale):
                            ink.add((left + gx * scale + sx, top + gy * scale + sy))
        left += (len(glyph[0]) + 1) * scale
    return ink


def draw_cell(shape, colour, label, font):
    """The cell's pixels, rows top first, (r, g, b, a)."""
    cell = [[CLEAR] * CELL for _ in range(CELL)]

    def put(x, y, rgb):
        cell[y][x] = rgb + (255,)

    every = [(x, y) for y in range(CELL) for x in range(CELL)]
    if shape == "button":
        for x, y in every:
            if disc(x, y):
                put(x, y, colour)
        ink, ink_colour = text_ink(font, label, 2), WHITE
    elif shape == "pad":
        for x, y in every:
            if (11 <= x <= 20 and 2 <= y <= 29) or (11 <= y <= 20 and 2 <= x <= 29):
                put(x, y, WHITE if pad_arm(x, y, label) else colour)
        ink, ink_colour = set(), WHITE
    elif shape in ("stick", "press"):
        letter, _, direction = label.partition(":")
        for x, y in every:
            if disc(x, y):
                put(x, y, colour if not disc(x, y, 12.0) else DARK)
            if shape == "stick" and arrow(x, y, direction):
                put(x, y, WHITE)
        ink, ink_colour = text_ink(font, letter, 1 if shape == "stick" else 2), WHITE
    elif shape == "menu":
        for x, y in every:
            if rounded(x, y, 2, 8, 29, 23, 4):
                put(x, y, colour)
        ink, ink_colour = text_ink(font, label, 2), DARK
    elif shape == "bumper":
        for x, y in every:
            if rounded(x, y, 1, 9, 30, 22, 5):
                put(x, y, colour)
        ink, ink_colour = text_ink(font, label, 1), DARK
    elif shape == "trigger":
        for x, y in every:
            if rounded(x, y, 7, 1, 24, 30, 6):
                put(x, y, colour)
        ink, ink_colour = text_ink(font, label, 1), DARK
    else:
        raise ValueError("unknown shape " + shape)
    for x, y in ink:
        put(x, y, ink_colour)
    return cell


def main():
    if len(sys.argv) != 4:
        sys.stderr.write("usage: make_xbox_glyphs.py DESCRIPTION FONT_SOURCE OUTPUT_FOLDER\n")
        return 1
    glyphs = read_description(sys.argv[1])
    font = read_font(sys.argv[2])
    width, height = COLUMNS * CELL, ROWS * CELL
    pixels = [[CLEAR] * width for _ in range(height)]
    for name, column, row, shape, colour, label in glyphs:
        cell = draw_cell(shape, colour, label, font)
        for y in range(CELL):
            pixels[row * CELL + y][column * CELL:(column + 1) * CELL] = cell[y]
    write_atomically(os.path.join(sys.argv[3], "xbox_dxt5.dds"), dds_bgra(width, height, pixels))
    return 0


if __name__ == "__main__":
    sys.exit(main())
