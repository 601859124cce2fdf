#!/usr/bin/env python3
"""Puts screenshots side by side in one PNG grid, each under its file name.

usage: tools/contact-sheet.py OUT.png IMAGE.png... [--columns N] [--shrink K]

Every IMAGE (8-bit RGB or RGBA PNG, as the viewer's screenshots are) is
shrunk K times in each direction (default 2) by averaging K x K blocks and
labelled with its file name; the tiles fill rows of N (default 5). Standard
library only, so it runs wherever CI runs.
"""
import argparse
import os
import struct
import sys
import zlib

# A 5 x 7 font: each glyph is seven rows of five bits, the leftmost pixel
# in the highest bit. Labels are drawn in capitals; other characters as "_".
FONT = {
    "A": "0E11111F111111", "B": "1E11111E11111E", "C": "0E11101010110E", "D": "1C12111111121C",
    "E": "1F10101E10101F", "F": "1F10101E101010", "G": "0E11101711110F",
    "H": "1111111F111111", "I": "0E04040404040E", "J": "0702020202120C",
    "K": "11121418141211", "L": "1010101010101F", "M": "111B1515111111", "N": "11111915131111",
    "O": "0E11111111110E", "P": "1E11111E101010", "Q": "0E11111115120D", "R": "1E11111E141211",
    "S": "0F10100E01011E", "T": "1F040404040404", "U": "1111111111110E", "V": "11111111110A04",
    "W": "1111111515150A", "X": "11110A040A1111", "Y": "1111110A040404", "Z": "1F01020408101F",
    "0": "0E11131519110E", "1": "040C040404040E", "2": "0E11010204081F", "3": "1F02040201110E",
    "4": "02060A121F0202", "5": "1F101E0101110E", "6": "0608101E11110E", "7": "1F010204080808",
    "8": "0E11110E11110E", "9": "0E11110F01020C", "-": "0000001F000000", ".": "00000000000C0C",
    "_": "0000000000001F", " ": "00000000000000",
}
GLYPH_W, GLYPH_H, LABEL_SCALE = 5, 7, 2
LABEL_BAND = GLYPH_H * LABEL_SCALE + 8


def fail(message):
    print("contact-sheet: " + message, file=sys.stderr)
    sys.exit(1)


def read_png(path):
    """Returns (width, height, rows of RGB bytes)."""
    try:
        with open(path, "rb") as f:
            data = f.read(64 << 20)
    except OSError as e:
        fail("%s: %s" % (path, e.strerror))
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("%s: not a PNG file" % path)
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body[:13])
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + n
    if header is None:
        fail("%s: no PNG header" % path)
    w, h, depth, ctype, _, _, interlace = header
    if depth != 8 or ctype not in (2, 6) or interlace:
        fail("%s: only 8-bit RGB or RGBA PNG files without interlacing are read" % path)
    bpp = 3 if ctype == 2 else 4
    try:
        raw = zlib.decompress(b"".join(idat))
    except zlib.error:
        fail("%s: damaged image data" % path)
    stride = w * bpp
    if len(raw) < h * (stride + 1):
        fail("%s: the image data is short" % path)
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif f == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 255
        elif f == 3:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + (a + prev[i]) // 2) & 255
        elif f == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    if bpp == 4:
        rows = [bytearray(b for i in range(0, stride, 4) for b in row[i:i + 3]) for row in rows]
    return w, h, rows


def shrink(w, h, rows, k):
    """Averages k x k blocks; returns (width, height, rows)."""
    sw, sh = w // k, h // k
    out = []
    for y in range(sh):
        sums = [0] * (sw * 3)
        for row in rows[y * k:(y + 1) * k]:
            for x in range(sw):
                for dx in range(k):
                    o = (x * k + dx) * 3
                    sums[x * 3] += row[o]
                    sums[x * 3 + 1] += row[o + 1]
                    sums[x * 3 + 2] += row[o + 2]
        out.append(bytearray(s // (k * k) for s in sums))
    return sw, sh, out


def draw_label(canvas, width, x0, y0, text, limit):
    x = x0
    for ch in text.upper():
        if x + GLYPH_W * LABEL_SCALE > x0 + limit:
            break
        bits = FONT.get(ch, FONT["_"])
        for gy in range(GLYPH_H):
            row = int(bits[gy * 2:gy * 2 + 2], 16)
            for gx in range(GLYPH_W):
                if row & (0x10 >> gx):
                    for sy in range(LABEL_SCALE):
                        line = canvas[y0 + gy * LABEL_SCALE + sy]
                        for sx in range(LABEL_SCALE):
                            o = (x + gx * LABEL_SCALE + sx) * 3
                            line[o:o + 3] = b"\xe0\xe0\xe0"
        x += (GLYPH_W + 1) * LABEL_SCALE


def write_png(path, w, h, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    # Written beside the target and renamed, so a failed run leaves the old sheet.
    tmp = "%s.tmp-%d" % (path, os.getpid())
    try:
        with open(tmp, "wb") as f:
            f.write(png)
        os.replace(tmp, path)
    except OSError as e:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        fail("%s: cannot write (%s)" % (path, e.strerror))


def main():
    parser = argparse.ArgumentParser(prog="contact-sheet.py",
                                     description="Puts screenshots side by side in one PNG grid.")
    parser.add_argument("out")
    parser.add_argument("images", nargs="+")
    parser.add_argument("--columns", type=int, default=5)
    parser.add_argument("--shrink", type=int, default=2)
    args = parser.parse_args()
    if not 1 <= args.columns <= 64 or not 1 <= args.shrink <= 16:
        parser.error("--columns wants 1 to 64 and --shrink 1 to 16")
    tiles = []
    for path in args.images:
        w, h, rows = read_png(path)
        tiles.append((os.path.splitext(os.path.basename(path))[0],) + shrink(w, h, rows, args.shrink))
    tw = max(t[1] for t in tiles)
    th = max(t[2] for t in tiles)
    cols = min(args.columns, len(tiles))
    grid_rows = (len(tiles) + cols - 1) // cols
    gap = 4
    width = cols * tw + (cols + 1) * gap
    height = grid_rows * (th + LABEL_BAND) + (grid_rows + 1) * gap
    canvas = [bytearray(b"\x30\x30\x30" * width) for _ in range(height)]
    for i, (name, w, h, rows) in enumerate(tiles):
        x0 = gap + (i % cols) * (tw + gap)
        y0 = gap + (i // cols) * (th + LABEL_BAND + gap)
        draw_label(canvas, width, x0 + 2, y0 + 4, name, tw - 4)
        for y in range(h):
            canvas[y0 + LABEL_BAND + y][x0 * 3:(x0 + w) * 3] = rows[y]
    write_png(args.out, width, height, canvas)
    print("%s: %d pictures, %d x %d" % (args.out, len(tiles), width, height))


if __name__ == "__main__":
    main()
