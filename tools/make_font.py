#!/usr/bin/env python3
"""Writes the engine's bitmap font from its text source: the page "Font_Tahoma_8_256.dds" (256 x 256, 32-bit,
white ink whose alpha is the glyph, one level) and the glyph metrics "Font_Tahoma_8_256.uv".

Usage: make_font.py FONT_SOURCE OUTPUT_FOLDER

Each character code c has the 16 x 16 cell at column c % 16, row c // 16 of the page; its glyph lies at the
cell's upper-left corner, one line height (11 pixels) tall: one clear row, the source's 9 rows, one clear row.
The ".uv" file: i32 glyph count, i32 line height, 52 zero bytes, then per glyph (in code order) u8 code, u32
width, f32 left u, top v, right u, bottom v, i32 left (0), i32 right (1), little-endian and packed.
"""
import os
import struct
import sys

from engine_art import GLYPH_ROWS, dds_bgra, read_font, write_atomically

PAGE = 256
CELL = 16
LINE_HEIGHT = GLYPH_ROWS + 2
NAME = "Font_Tahoma_8_256"
INK = (255, 255, 255, 255)
CLEAR = (255, 255, 255, 0)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: make_font.py FONT_SOURCE OUTPUT_FOLDER\n")
        return 1
    glyphs = read_font(sys.argv[1])
    pixels = [[CLEAR] * PAGE for _ in range(PAGE)]
    records = bytearray()
    for code in sorted(glyphs):
        rows = glyphs[code]
        width = len(rows[0])
        x0, y0 = (code % CELL) * CELL, (code // CELL) * CELL
        for y, row in enumerate(rows):
            for x, mark in enumerate(row):
                if mark == "#":
                    pixels[y0 + 1 + y][x0 + x] = INK
        records += struct.pack("<BIffffii", code, width, x0 / PAGE, y0 / PAGE, (x0 + width) / PAGE,
                               (y0 + LINE_HEIGHT) / PAGE, 0, 1)
    metrics = struct.pack("<ii", len(glyphs), LINE_HEIGHT) + bytes(52) + bytes(records)
    folder = sys.argv[2]
    write_atomically(os.path.join(folder, NAME + ".dds"), dds_bgra(PAGE, PAGE, pixels))
    write_atomically(os.path.join(folder, NAME + ".uv"), metrics)
    return 0


if __name__ == "__main__":
    sys.exit(main())
