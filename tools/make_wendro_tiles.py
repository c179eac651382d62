#!/usr/bin/env python3
"""Writes the game's tile sets "Tilesets.xml": every 8 x 8 tile of the game (walls, switch blocks, sprites of
every entity, the status line's letters) in an EGA set of 16 colours and a CGA set of 4.

Usage: make_wendro_tiles.py OUTPUT
The pictures are drawn below as rows of EGA colour digits; the CGA set maps each EGA colour to one of its four.
Each tile is written as 8 rows of 8 colour digits. The file is written beside OUTPUT and renamed over it.
"""
import os
import sys
import tempfile

EGA = ["000000", "0000AA", "00AA00", "00AAAA", "AA0000", "AA00AA", "AA5500", "AAAAAA",
       "555555", "5555FF", "55FF55", "55FFFF", "FF5555", "FF55FF", "FFFF55", "FFFFFF"]
CGA = ["000000", "55FFFF", "FF55FF", "FFFFFF"]
# EGA colour index -> CGA colour index.
EGA_TO_CGA = [0, 1, 1, 1, 2, 2, 2, 3, 1, 1, 1, 1, 2, 2, 3, 3]

TILES = {
    0: ["........"] * 8,                                   # empty
    1: ["66666668", "66666668", "88888888", "66686666",   # brick wall
        "66686666", "88888888", "66666668", "66666668"],
    2: ["77777778", "7FFFFF78", "7F777778", "7F777778",   # stone ledge
        "7F777778", "7F777778", "77777778", "88888888"],
    3: ["DDDDDDDD", "D555555D", "D5DDDD5D", "D5D55D5D",   # magenta block, solid
        "D5D55D5D", "D5DDDD5D", "D555555D", "DDDDDDDD"],
    4: ["D.D.D.D.", "........", "D......D", "........",   # magenta block, open
        "D......D", "........", "D......D", ".D.D.D.D"],
    5: ["BBBBBBBB", "B333333B", "B3BBBB3B", "B3B33B3B",   # cyan block, solid
        "B3B33B3B", "B3BBBB3B", "B333333B", "BBBBBBBB"],
    6: ["B.B.B.B.", "........", "B......B", "........",   # cyan block, open
        "B......B", "........", "B......B", ".B.B.B.B"],
    7: ["........", "...CC...", "..CCCC..", "...77...",   # red switch
        "...77...", "...77...", ".777777.", "88888888"],
    8: ["........", "...99...", "..9999..", "...77...",   # blue switch
        "...77...", "...77...", ".777777.", "88888888"],
    9: ["........", "........", "...8....", "........",   # background speck
        "........", "......8.", "........", "........"],
    16: ["..EEEE..", "..EFEF..", "..EEEE..", "...22...",  # player facing right
         ".222222.", "...22...", "..2..2..", ".66..66."],
    17: ["..EEEE..", "..FEFE..", "..EEEE..", "...22...",  # player facing left
         ".222222.", "...22...", "..2..2..", ".66..66."],
    18: ["..EEEE..", "..EFEF..", "2.EEEE.2", ".222222.",  # player jumping
         "...22...", "...22...", ".2....2.", "66....66"],
    19: ["..7.....", "..7CC...", "..7CCCC.", "..7CC...",  # checkpoint flag, not reached
         "..7.....", "..7.....", "..7.....", ".888...."],
    20: ["..7.....", "..7AA...", "..7AAAA.", "..7AA...",  # checkpoint flag, reached
         "..7.....", "..7.....", "..7.....", ".888...."],
    21: ["........", "........", "........", "...7....",  # spikes
         "..777...", "..7.7..7", ".77.77.7", "77777777"],
    22: ["...3....", "...B....", "..BBB...", "..BFB...",  # falling drop
         ".BBFBB..", ".BBBBB..", "..BBB...", "........"],
    23: ["88888888", "87777778", "87888878", "87888878",  # drop spawner
         "88877888", "...78...", "...78...", "........"],
    24: ["EEEEEEEE", "E666666E", "66666666", "6.6.6.6.",  # moving platform
         "........", "........", "........", "........"],
    25: ["..9999..", ".9BBBB9.", "9B1111B9", "9B1FF1B9",  # teleport
         "9B1FF1B9", "9B1111B9", ".9BBBB9.", "..9999.."],
    26: ["........", "...EE...", "..EFEE..", ".EFEEEE.",  # treasure
         ".EEEEE6.", "..EEE6..", "...66...", "........"],
    27: ["........", ".AA.....", ".AA.....", ".AA.AA..",  # power: double jump boots
         ".AAAAA..", ".AAAAAA.", ".222222.", "........"],
    28: ["..C.C...", "..C.C.C.", "..CCCCC.", ".CCCCCC.",  # power: wall jump glove
         ".CCCCCC.", "..CCCC..", "..CCCC..", "........"],
    29: ["..AAAA..", ".AFFAAA.", "AFFAAAAA", "AFAAAAAA",  # win orb
         "AAAAAAA2", "AAAAAA22", ".AAA222.", "..2222.."],
    30: ["..CCCC..", ".CFFCCC.", "CFFCCCCC", "CFCCCCCC",  # lose orb
         "CCCCCCC4", "CCCCCC44", ".CCC444.", "..4444.."],
    31: ["........", "...F....", "...F....", ".FFFFF..",  # sparkle
         "...F....", "...F....", "........", "........"],
    32: ["........", "..C..C..", "...CC...", ".CCFFCC.",  # burst, first frame
         ".CCFFCC.", "...CC...", "..C..C..", "........"],
    33: ["C..C...C", "........", ".C....C.", "...C....",  # burst, second frame
         "....C...", ".C....C.", "........", "C...C..C"],
}

# The status line's letters: 3 x 5 pictures, five rows of three cells each, drawn in white at (2, 1).
FONT = {
    " ": "... ... ... ... ...",
    "0": "### #.# #.# #.# ###",
    "1": ".#. ##. .#. .#. ###",
    "2": "### ..# ### #.. ###",
    "3": "### ..# .## ..# ###",
    "4": "#.# #.# ### ..# ..#",
    "5": "### #.. ### ..# ###",
    "6": "### #.. ### #.# ###",
    "7": "### ..# .#. .#. .#.",
    "8": "### #.# ### #.# ###",
    "9": "### #.# ### ..# ###",
    "A": "### #.# ### #.# #.#",
    "B": "##. #.# ##. #.# ##.",
    "C": "### #.. #.. #.. ###",
    "D": "##. #.# #.# #.# ##.",
    "E": "### #.. ##. #.. ###",
    "F": "### #.. ##. #.. #..",
    "G": "### #.. #.# #.# ###",
    "H": "#.# #.# ### #.# #.#",
    "I": "### .#. .#. .#. ###",
    "J": "..# ..# ..# #.# ###",
    "K": "#.# #.# ##. #.# #.#",
    "L": "#.. #.. #.. #.. ###",
    "M": "#.# ### ### #.# #.#",
    "N": "##. #.# #.# #.# #.#",
    "O": "### #.# #.# #.# ###",
    "P": "### #.# ### #.. #..",
    "Q": "### #.# #.# ### ..#",
    "R": "### #.# ##. #.# #.#",
    "S": "### #.. ### ..# ###",
    "T": "### .#. .#. .#. .#.",
    "U": "#.# #.# #.# #.# ###",
    "V": "#.# #.# #.# #.# .#.",
    "W": "#.# #.# ### ### #.#",
    "X": "#.# #.# .#. #.# #.#",
    "Y": "#.# #.# .#. .#. .#.",
    "Z": "### ..# .#. #.. ###",
    ":": "... .#. ... .#. ...",
    "/": "..# ..# .#. #.. #..",
    "-": "... ... ### ... ...",
    ".": "... ... ... ... .#.",
    "!": ".#. .#. .#. ... .#.",
    "+": "... .#. ### .#. ...",
    "'": ".#. .#. ... ... ...",
    ",": "... ... ... .#. #..",
}
FIRST_GLYPH_TILE = 64  # the tile of the character code 32; codes 32 to 95 follow in order


def font_tiles():
    tiles = {}
    for char, cells in FONT.items():
        cells = cells.split()
        assert len(cells) == 5 and all(len(row) == 3 for row in cells), char
        rows = ["........" for _ in range(8)]
        for y in range(5):
            row = list(rows[y + 1])
            for x in range(3):
                if cells[y][x] == "#":
                    row[x + 2] = "F"
            rows[y + 1] = "".join(row)
        tiles[FIRST_GLYPH_TILE + ord(char) - 32] = rows
    return tiles


def tile_rows(rows, to_index):
    out = []
    for row in rows:
        assert len(row) == 8, row
        out.append("".join("0" if c == "." else "%X" % to_index(int(c, 16)) for c in row))
    return out


def document():
    tiles = dict(TILES)
    tiles.update(font_tiles())
    lines = []
    for name, palette, to_index in (("EGA", EGA, lambda i: i), ("CGA", CGA, lambda i: EGA_TO_CGA[i])):
        lines.append('<Tileset name="%s" colours="%d">' % (name, len(palette)))
        lines.append("\t<Palette>%s</Palette>" % " ".join(palette))
        for index in sorted(tiles):
            lines.append('\t<Tile index="%d">%s</Tile>' % (index, " ".join(tile_rows(tiles[index], to_index))))
        lines.append("</Tileset>")
        lines.append("")
    return "\r\n".join(lines)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_wendro_tiles.py OUTPUT\n")
        return 2
    output = sys.argv[1]
    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder)
    with os.fdopen(handle, "w", newline="") as stream:
        stream.write(document())
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
