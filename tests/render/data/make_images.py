#!/usr/bin/env python3
"""Writes image files of known pixels for the image reader tests.

Usage: make_images.py OUTDIR

For every image NAME.EXT it also writes NAME.expect: u32 width, u32 height, then width x height u32 colours
0xAARRGGBB (little-endian), top row first, each row from the left. Files are built byte by byte here, from the
published layouts of each format, independently of the engine's readers.
"""
import os
import struct
import sys
import zlib


def pattern(w, h, alpha):
    """A pixel grid in which neighbouring pixels differ in every channel."""
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            r = (x * 53 + y * 17 + 11) % 256
            g = (x * 29 + y * 71 + 3) % 256
            b = (x * 7 + y * 113 + 101) % 256
            a = (x * 37 + y * 59 + 90) % 256 if alpha else 255
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def write_expect(path, rows):
    w, h = len(rows[0]), len(rows)
    with open(path, 'wb') as f:
        f.write(struct.pack('<II', w, h))
        for row in rows:
            for r, g, b, a in row:
                f.write(struct.pack('<I', a << 24 | r << 16 | g << 8 | b))


def bmp(path, w, h, bits, rows_bottom_up, palette=b'', colours_used=0, gap=0, top_down=False):
    body = b''.join(rows_bottom_up)
    offset = 54 + len(palette) + gap
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, -h if top_down else h, 1, bits, 0, len(body), 2835, 2835,
                       colours_used, 0)
    with open(path, 'wb') as f:
        f.write(header + info + palette + b'\0' * gap + body)


def pad4(b):
    return b + b'\0' * (-len(b) % 4)


def paletted(out, name, w, h, bits, ncolours, colours_used=0, gap=0, top_down=False):
    palette_rgb = [((i * 97 + 5) % 256, (i * 31 + 200) % 256, (i * 59 + 17) % 256) for i in range(ncolours)]
    index = [[(x * 3 + y * 5) % ncolours for x in range(w)] for y in range(h)]
    table_entries = colours_used if colours_used else (1 << bits)
    palette = b''
    for i in range(table_entries):
        r, g, b = palette_rgb[i] if i < ncolours else (0, 0, 0)
        palette += bytes([b, g, r, 0])
    rows = []
    for y in range(h):
        acc, nbits, packed = 0, 0, bytearray()
        for x in range(w):
            acc = (acc << bits) | index[y][x]
            nbits += bits
            if nbits == 8:
                packed.append(acc)
                acc, nbits = 0, 0
        if nbits:
            packed.append(acc << (8 - nbits))
        rows.append(pad4(bytes(packed)))
    file_rows = rows if top_down else rows[::-1]
    bmp(os.path.join(out, name + '.bmp'), w, h, bits, file_rows, palette, colours_used, gap, top_down)
    write_expect(os.path.join(out, name + '.expect'),
                 [[palette_rgb[index[y][x]] + (255,) for x in range(w)] for y in range(h)])


def truecolour_bmp(out, name, w, h, bits):
    rows = pattern(w, h, bits == 32)
    file_rows = []
    for row in rows[::-1]:
        b = bytearray()
        for r, g, bl, a in row:
            b += bytes([bl, g, r] + ([a] if bits == 32 else []))
        file_rows.append(pad4(bytes(b)))
    bmp(os.path.join(out, name + '.bmp'), w, h, bits, file_rows)
    write_expect(os.path.join(out, name + '.expect'), rows)


def tga(out, name, w, h, bits, rle, image_id=b'', top_left=False):
    rows = pattern(w, h, bits == 32)
    order = rows if top_left else rows[::-1]
    pixels = [bytes([b, g, r] + ([a] if bits == 32 else [])) for row in order for r, g, b, a in row]
    if rle:
        # Alternate short raw packets and runs (a run repeats the first pixel of its stretch), crossing rows.
        data, i, raw = bytearray(), 0, True
        expect_pixels = []
        while i < len(pixels):
            n = min(3 if raw else 4, len(pixels) - i)
            if raw:
                data.append(n - 1)
                for k in range(n):
                    data += pixels[i + k]
                    expect_pixels.append(pixels[i + k])
            else:
                data.append(0x80 | (n - 1))
                data += pixels[i]
                expect_pixels += [pixels[i]] * n
            i += n
            raw = not raw
        body = bytes(data)
        # Translate the expected file-order pixels back to the row grid.
        grid, k = [], 0
        for y in range(h):
            row = []
            for x in range(w):
                p = expect_pixels[k]
                k += 1
                row.append((p[2], p[1], p[0], p[3] if bits == 32 else 255))
            grid.append(row)
        rows = grid if top_left else grid[::-1]
    else:
        body = b''.join(pixels)
    descriptor = (8 if bits == 32 else 0) | (0x20 if top_left else 0)
    header = struct.pack('<BBBHHBHHHHBB', len(image_id), 0, 10 if rle else 2, 0, 0, 0, 0, 0, w, h, bits, descriptor)
    with open(os.path.join(out, name + '.tga'), 'wb') as f:
        f.write(header + image_id + body)
    write_expect(os.path.join(out, name + '.expect'), rows)


def png(out, name, w, h, alpha):
    rows = pattern(w, h, alpha)
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes([r, g, b] + ([a] if alpha else []))
    compressed = zlib.compress(bytes(raw), 0)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack('>IIBBBBB', w, h, 8, 6 if alpha else 2, 0, 0, 0)
    with open(os.path.join(out, name + '.png'), 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'tEXt', b'Comment\0made here') +
                chunk(b'IDAT', compressed) + chunk(b'IEND', b''))
    write_expect(os.path.join(out, name + '.expect'), rows)


def raw(out, name, w, h):
    values = [[(x * 41 + y * 13) % 256 for x in range(w)] for y in range(h)]
    with open(os.path.join(out, name + '.raw'), 'wb') as f:
        f.write(bytes(v for row in values for v in row))
    write_expect(os.path.join(out, name + '.expect'), [[(v, v, v, 255) for v in row] for row in values])


def five(out, name, w, h, bpp):
    firsts = [((y * 11 + 31) % 32, (y * 7 + 2) % 32, (y * 13 + 30) % 32) for y in range(h)]
    with open(os.path.join(out, name + '.555'), 'wb') as f:
        f.write(struct.pack('<HHB3x', w, h, bpp))
        for r, g, b in firsts:
            f.write(bytes([r, g, b]))
    # Alpha 0xF8 is kept only by 4-byte images; the other pixels stay as created (zero).
    alpha, rest = (0xF8, 0) if bpp == 4 else (255, 255)
    rows = [[((r * 8) & 255, (g * 8) & 255, (b * 8) & 255, alpha)] + [(0, 0, 0, rest)] * (w - 1)
            for r, g, b in firsts]
    write_expect(os.path.join(out, name + '.expect'), rows)


def main():
    out = sys.argv[1]
    paletted(out, 'bmp4', 7, 3, 4, 16)
    paletted(out, 'bmp4_short_table', 9, 4, 4, 5, colours_used=5)
    paletted(out, 'bmp1', 13, 2, 1, 2)
    paletted(out, 'bmp8', 5, 3, 8, 200)
    paletted(out, 'bmp8_topdown_gap', 6, 4, 8, 150, gap=6, top_down=True)
    truecolour_bmp(out, 'bmp24', 5, 3, 24)
    truecolour_bmp(out, 'bmp32', 4, 3, 32)
    tga(out, 'tga24', 5, 3, 24, False)
    tga(out, 'tga32_top_id', 3, 4, 32, False, image_id=b'made here', top_left=True)
    tga(out, 'tga24_rle', 7, 5, 24, True)
    tga(out, 'tga32_rle', 6, 3, 32, True)
    png(out, 'png_rgb', 6, 5, False)
    png(out, 'png_rgba', 5, 4, True)
    raw(out, 'raw8', 6, 4)
    five(out, 'five', 4, 3, 3)
    five(out, 'five_alpha', 3, 2, 4)


if __name__ == '__main__':
    main()
