#!/usr/bin/env python3
"""Writes the engine's default menu pictures as uncompressed 32-bit DDS textures (B, G, R, A bytes, one level):

  default_title.dds        512 x 256: the engine's name in bold block letters with a shadow and an underline,
                           on a transparent background, so the menus show through around it.
  default_calibration.dds  512 x 256: a row of sixteen grey steps from black to white above a black field
                           holding three squares only just brighter than black (levels 4, 8 and 16 of 255). With
                           the brightness set well, every step differs from its neighbours and the faintest square
                           is barely visible.

Usage: make_pass_pictures.py OUTPUT_FOLDER
Everything is computed here, so the files are the same on every build. Each file is written to a temporary file
beside its final name and renamed over it only when complete. Rows are stored from the top of the picture down.
"""
import os
import sys

from engine_art import dds_bgra, write_atomically

WIDTH = 512
HEIGHT = 256

# Block letters, 5 columns by 7 rows each.
LETTERS = {
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
}


def title_pixels():
    pixels = [[(0, 0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    text = "ROLT"
    cell = 18  # pixels per letter block
    gap = cell  # between letters
    text_width = len(text) * 5 * cell + (len(text) - 1) * gap
    left = (WIDTH - text_width) // 2
    top = 40

    def block(x0, y0, colour):
        for y in range(y0, min(y0 + cell, HEIGHT)):
            row = pixels[y]
            for x in range(x0, min(x0 + cell, WIDTH)):
                row[x] = colour

    # The shadow first, then the letters over it: warm gold fading to orange towards the bottom.
    shadow = 6
    for pass_shadow in (True, False):
        for index, letter in enumerate(text):
            x_letter = left + index * (5 * cell + gap)
            for row_index, pattern in enumerate(LETTERS[letter]):
                for column, mark in enumerate(pattern):
                    if mark != "#":
                        continue
                    x = x_letter + column * cell
                    y = top + row_index * cell
                    if pass_shadow:
                        block(x + shadow, y + shadow, (20, 12, 40, 200))
                    else:
                        fraction = row_index / 6.0
                        colour = (255, int(215 - 95 * fraction), int(80 - 60 * fraction), 255)
                        block(x, y, colour)
    # An underline with soft ends.
    line_top = top + 7 * cell + 24
    for y in range(line_top, line_top + 6):
        for x in range(left, left + text_width):
            edge = min(x - left, left + text_width - 1 - x)
            alpha = min(255, edge * 8)
            pixels[y][x] = (240, 240, 255, alpha)
    return pixels


def calibration_pixels():
    pixels = [[(0, 0, 0, 255)] * WIDTH for _ in range(HEIGHT)]
    steps = 16
    step_width = WIDTH // steps
    for y in range(0, HEIGHT // 2):
        for x in range(WIDTH):
            level = min(steps - 1, x // step_width) * 255 // (steps - 1)
            pixels[y][x] = (level, level, level, 255)
    square = 64
    levels = (4, 8, 16)
    spacing = (WIDTH - len(levels) * square) // (len(levels) + 1)
    y0 = HEIGHT // 2 + (HEIGHT // 2 - square) // 2
    for index, level in enumerate(levels):
        x0 = spacing + index * (square + spacing)
        for y in range(y0, y0 + square):
            for x in range(x0, x0 + square):
                pixels[y][x] = (level, level, level, 255)
    return pixels


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_pass_pictures.py OUTPUT_FOLDER\n")
        return 1
    folder = sys.argv[1]
    write_atomically(os.path.join(folder, "default_title.dds"), dds_bgra(WIDTH, HEIGHT, title_pixels()))
    write_atomically(os.path.join(folder, "default_calibration.dds"),
                     dds_bgra(WIDTH, HEIGHT, calibration_pixels()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
