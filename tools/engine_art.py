"""What the engine's content generators share: the bitmap font's text source, DDS writers (32-bit B, G, R, A and
DXT5) and a safe file write.

The font source (content/EngineArt/EngineFont.txt) holds glyphs as rows of '.' and '#'; see that file.
"""
import os
import struct
import tempfile

GLYPH_ROWS = 9


def read_font(path):
    """The glyphs of a font source: {code: [row strings]}, in Windows-1252 codes. Raises ValueError on a
    malformed source (a row count other than GLYPH_ROWS, rows of unequal width, a stray character)."""
    glyphs = {}
    code = None
    rows = []

    def finish():
        if code is None:
            return
        if len(rows) != GLYPH_ROWS:
            raise ValueError("glyph %d has %d rows" % (code, len(rows)))
        if len(set(len(r) for r in rows)) != 1:
            raise ValueError("glyph %d has rows of unequal width" % code)
        glyphs[code] = list(rows)

    with open(path, "r", encoding="cp1252") as source:
        for number, line in enumerate(source, 1):
            line = line.rstrip("\r\n")
            if line.startswith(";") or not line.strip():
                continue
            if line.startswith("== "):
                finish()
                name = line[3:]
                code = name.encode("cp1252")[0] if len(name) == 1 else int(name)
                if code in glyphs or not 0 < code < 256:
                    raise ValueError("line %d: glyph %d repeated or out of range" % (number, code))
                rows = []
                continue
            if code is None or set(line) - set(".#"):
                raise ValueError("line %d: not a glyph row" % number)
            rows.append(line)
    finish()
    return glyphs


def _header(width, height, pitch_or_size, four_cc=None):
    header = [0] * 31
    header[0] = 124  # header size
    header[1] = 0x1 | 0x2 | 0x4 | 0x1000 | (0x80000 if four_cc else 0x8)  # caps, height, width, format, size
    header[2] = height
    header[3] = width
    header[4] = pitch_or_size
    header[6] = 1  # one level (the mip-count flag is not set)
    header[18] = 32  # pixel format size
    if four_cc:
        header[19] = 0x4
        header[20] = struct.unpack("<I", four_cc)[0]
    else:
        header[19] = 0x40 | 0x1  # RGB with alpha
        header[21] = 32
        header[22] = 0x00FF0000
        header[23] = 0x0000FF00
        header[24] = 0x000000FF
        header[25] = 0xFF000000
    header[26] = 0x1000  # caps: texture
    return b"DDS " + struct.pack("<31I", *header)


def dds_bgra(width, height, pixels):
    """A one-level 32-bit DDS file; pixels: rows (top first) of (r, g, b, a)."""
    out = bytearray(_header(width, height, width * 4))
    for row in pixels:
        for r, g, b, a in row:
            out += bytes((b, g, r, a))
    return bytes(out)


def _to565(colour):
    r, g, b = colour
    return ((r * 31 + 127) // 255) << 11 | ((g * 63 + 127) // 255) << 5 | ((b * 31 + 127) // 255)


def _from565(value):
    r5, g6, b5 = value >> 11, (value >> 5) & 63, value & 31
    return ((r5 << 3) | (r5 >> 2), (g6 << 2) | (g6 >> 4), (b5 << 3) | (b5 >> 2))


def _distance(a, b):
    return sum((x - y) * (x - y) for x, y in zip(a, b))


def _alpha_block(alphas):
    high, low = max(alphas), min(alphas)
    if high == low:
        return bytes((high, low)) + bytes(6)
    palette = [high, low] + [((7 - i) * high + i * low) // 7 for i in range(1, 7)]
    bits = 0
    for index, alpha in enumerate(alphas):
        best = min(range(8), key=lambda k: abs(palette[k] - alpha))
        bits |= best << (3 * index)
    return bytes((high, low)) + bits.to_bytes(6, "little")


def _colour_block(colours, alphas):
    # Endpoints from the visible pixels only: a clear pixel's colour is never seen.
    visible = [c for c, a in zip(colours, alphas) if a > 0] or colours
    distinct = sorted(set(visible))
    first, second = distinct[0], distinct[-1]
    for i, a in enumerate(distinct):
        for b in distinct[i + 1:]:
            if _distance(a, b) > _distance(first, second):
                first, second = a, b
    c0, c1 = _to565(first), _to565(second)
    e0, e1 = _from565(c0), _from565(c1)
    # Blocks of DXT5 always decode four colours.
    palette = [e0, e1, tuple((2 * x + y) // 3 for x, y in zip(e0, e1)), tuple((x + 2 * y) // 3 for x, y in zip(e0, e1))]
    bits = 0
    for index, colour in enumerate(colours):
        best = min(range(4), key=lambda k: _distance(palette[k], colour))
        bits |= best << (2 * index)
    return struct.pack("<HHI", c0, c1, bits)


def dds_dxt5(width, height, pixels):
    """A one-level DXT5 DDS file; width and height multiples of 4; pixels: rows (top first) of (r, g, b, a)."""
    if width % 4 or height % 4:
        raise ValueError("DXT5 sides must be multiples of 4")
    out = bytearray(_header(width, height, width * height, b"DXT5"))
    for by in range(0, height, 4):
        for bx in range(0, width, 4):
            block = [pixels[by + y][bx + x] for y in range(4) for x in range(4)]
            alphas = [p[3] for p in block]
            colours = [p[:3] for p in block]
            out += _alpha_block(alphas) + _colour_block(colours, alphas)
    return bytes(out)


def write_atomically(path, data):
    """Writes data to a temporary file beside path and renames it over path only when complete."""
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, suffix=".tmp")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise
