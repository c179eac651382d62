#!/usr/bin/env python3
"""Writes the textures of the engine's HUD materials as uncompressed 32-bit DDS textures (B, G, R, A bytes, one
level):

  mod_white.dds      4 x 4 opaque white: the modulation texture that leaves every element as it is.
  menu_quad.dds      64 x 16: a menu button face, white (the button's colour tints it), mostly translucent with
                     an opaque frame two texels wide and rounded corners.
  menu_underlay.dds  64 x 64: a menu panel, dark and translucent with a light frame and rounded corners. The
                     outer 16 texels on each side (a quarter of the texture) hold the frame and the corners, which
                     panels draw at their own size; the middle 32 x 32 is one flat colour, which panels repeat.

Usage: make_hud_textures.py OUTPUT_FOLDER
Everything is computed here, so the files are the same on every build. Each file is written to a temporary file
beside its final name and renamed over it only when complete. Rows are stored from the top of the picture down.
"""
import os
import sys

from engine_art import dds_bgra, write_atomically


def rounded_inside(x, y, width, height, radius):
    """Distance-style test: whether the texel centre (x, y) lies inside a rectangle with corners of radius."""
    cx = x + 0.5
    cy = y + 0.5
    nearest_x = min(max(cx, radius), width - radius)
    nearest_y = min(max(cy, radius), height - radius)
    return (cx - nearest_x) ** 2 + (cy - nearest_y) ** 2 <= radius * radius


def framed_panel(width, height, radius, frame, fill, edge):
    """Rows of a panel: outside the rounded corners transparent, a frame `frame` texels wide in colour edge, the
    rest in colour fill."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if not rounded_inside(x, y, width, height, radius):
                row.append((0, 0, 0, 0))
            elif not rounded_inside(x - frame, y - frame, width - 2 * frame, height - 2 * frame,
                                    max(radius - frame, 1)) or x < frame or y < frame or \
                    x >= width - frame or y >= height - frame:
                row.append(edge)
            else:
                row.append(fill)
        rows.append(row)
    return rows


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_hud_textures.py OUTPUT_FOLDER\n")
        return 2
    folder = sys.argv[1]

    white = [[(255, 255, 255, 255)] * 4 for _ in range(4)]
    write_atomically(os.path.join(folder, "mod_white.dds"), dds_bgra(4, 4, white))

    button = framed_panel(64, 16, 4, 2, (255, 255, 255, 112), (255, 255, 255, 255))
    write_atomically(os.path.join(folder, "menu_quad.dds"), dds_bgra(64, 16, button))

    underlay = framed_panel(64, 64, 12, 2, (24, 28, 40, 200), (200, 208, 224, 255))
    # The middle must be one flat colour so that repeating it shows no seams.
    assert all(underlay[y][x] == (24, 28, 40, 200) for y in range(16, 48) for x in range(16, 48))
    write_atomically(os.path.join(folder, "menu_underlay.dds"), dds_bgra(64, 64, underlay))
    return 0


if __name__ == "__main__":
    sys.exit(main())
