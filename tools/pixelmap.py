#!/usr/bin/env python3
"""Turns text pixel maps into PNG pictures and back, with the standard library only.

The PNG files under resources/ are the pictures themselves; this tool is a way to
edit them as text. A map file holds palettes and pictures:

    palette
    R ff0000        one character, then the colour as rrggbb
    . 000000        '.' is black unless a palette says otherwise
    _ transparent   no colour at all (alpha 0); rrggbbaa gives any other alpha

    picture DonkeyKongBagImage
    ..RRRR...
    .RRRRRR..

Every row of a picture has the same length; the rows give the height. A picture
that uses a colour with alpha is written as 8-bit RGBA (the cursors), any other as
8-bit RGB; black is a colour like the others, transparency is only the alpha.

    pixelmap.py to-png MAP... --out DIR        write DIR/<name>.png for every picture
    pixelmap.py to-text PNG...                 print the pictures as one map
    pixelmap.py sheet PNG... --out FILE [--scale N]   a contact sheet to look at
"""
import argparse
import struct
import sys
import zlib
from pathlib import Path

SYMBOLS = ".#ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789@$%&*+=?~^<>/|"
TRANSPARENT_SYMBOL = "_"
BLACK = (0, 0, 0, 255)
TRANSPARENT = (0, 0, 0, 0)


def parse_colour(text, where):
    """A palette colour as (red, green, blue, alpha)."""
    if text == "transparent":
        return TRANSPARENT
    if len(text) not in (6, 8):
        sys.exit(f"{where}: colour '{text}' is neither rrggbb, rrggbbaa nor transparent")
    channels = tuple(int(text[i:i + 2], 16) for i in range(0, len(text), 2))
    # Every fully transparent colour is the same pixel, whatever its red, green and blue.
    return TRANSPARENT if len(channels) == 4 and channels[3] == 0 else channels + (255,) * (4 - len(channels))


def read_maps(paths):
    pictures = []
    for path in paths:
        palette = {".": BLACK}
        current = None
        for number, raw in enumerate(Path(path).read_text().splitlines(), 1):
            line = raw.rstrip()
            if not line or line.startswith(";"):
                current = None if current is None or current["rows"] else current
                continue
            if line == "palette":
                current = None
                continue
            if line.startswith("picture "):
                current = {"name": line.split()[1], "rows": [], "palette": dict(palette), "where": f"{path}:{number}"}
                pictures.append(current)
                continue
            if current is None:
                symbol, colour = line.split()
                palette[symbol] = parse_colour(colour, f"{path}:{number}")
                continue
            current["rows"].append(line)
    for picture in pictures:
        rows = picture["rows"]
        if not rows or any(len(row) != len(rows[0]) for row in rows):
            sys.exit(f"{picture['where']}: rows of {picture['name']} differ in length")
        for row in rows:
            for symbol in row:
                if symbol not in picture["palette"]:
                    sys.exit(f"{picture['where']}: {picture['name']} uses '{symbol}', which no palette names")
    return pictures


def write_png(path, width, height, byte_rows, alpha=False):
    """Rows of bytes, three per pixel (RGB) or four (RGBA when Alpha)."""
    raw = b"".join(b"\x00" + bytes(row) for row in byte_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def read_png(path):
    """Width, height, rows of (red, green, blue, alpha) pixels, and whether the file has alpha."""
    data = Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        sys.exit(f"{path}: only 8-bit RGB or RGBA PNG files without interlacing are read")
    channels = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else up_left
                line[i] = (line[i] + predictor) & 255
        if channels == 3:
            rows.append([tuple(line[x * 3:x * 3 + 3]) + (255,) for x in range(width)])
        else:
            rows.append([normalised(tuple(line[x * 4:x * 4 + 4])) for x in range(width)])
        previous = line
    return width, height, rows, channels == 4


def normalised(pixel):
    return TRANSPARENT if pixel[3] == 0 else pixel


def to_png(args):
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    for picture in read_maps(args.maps):
        pixels = [[picture["palette"][symbol] for symbol in row] for row in picture["rows"]]
        alpha = any(pixel[3] != 255 for row in pixels for pixel in row)
        channels = 4 if alpha else 3
        rows = [[c for pixel in row for c in pixel[:channels]] for row in pixels]
        write_png(out / f"{picture['name']}.png", len(rows[0]) // channels, len(rows), rows, alpha)


def to_text(args):
    for path in args.pngs:
        width, height, rows, _ = read_png(path)
        colours = sorted({pixel for row in rows for pixel in row if pixel not in (BLACK, TRANSPARENT)})
        if len(colours) > len(SYMBOLS) - 1:
            sys.exit(f"{path}: {len(colours)} colours are more than a map can name")
        symbols = {BLACK: ".", TRANSPARENT: TRANSPARENT_SYMBOL}
        symbols.update({colour: SYMBOLS[i + 1] for i, colour in enumerate(colours)})
        print("palette")
        if any(TRANSPARENT in row for row in rows):
            print(f"{TRANSPARENT_SYMBOL} transparent")
        for colour in colours:
            alpha = f"{colour[3]:02x}" if colour[3] != 255 else ""
            print(f"{symbols[colour]} {colour[0]:02x}{colour[1]:02x}{colour[2]:02x}{alpha}")
        print(f"\npicture {Path(path).stem}")
        for row in rows:
            print("".join(symbols[pixel] for pixel in row))
        print()


def sheet(args):
    scale, gap, label_height = args.scale, 6, 0
    pictures = [(Path(p).stem, read_png(p)) for p in args.pngs]
    columns = max(1, min(len(pictures), args.columns))
    cell_w = max(w for _, (w, _, _, _) in pictures) * scale + gap
    cell_h = max(h for _, (_, h, _, _) in pictures) * scale + gap + label_height
    lines = (len(pictures) + columns - 1) // columns
    width, height = columns * cell_w + gap, lines * cell_h + gap
    canvas = [[(40, 40, 48)] * width for _ in range(height)]
    for index, (_, (w, h, rows, _)) in enumerate(pictures):
        left = gap + (index % columns) * cell_w
        top = gap + (index // columns) * cell_h
        for y in range(h * scale):
            for x in range(w * scale):
                # Alpha over a checkerboard of picture pixels, so that black and see-through differ.
                tile = (120, 120, 128) if (x // scale + y // scale) % 2 else (176, 176, 184)
                pixel = rows[y // scale][x // scale]
                a = pixel[3]
                canvas[top + y][left + x] = tuple((pixel[i] * a + tile[i] * (255 - a) + 127) // 255 for i in range(3))
    write_png(args.out, width, height, [[c for pixel in row for c in pixel] for row in canvas])
    for index, (name, _) in enumerate(pictures):
        print(f"{index % columns},{index // columns}: {name}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("to-png")
    p.add_argument("maps", nargs="+")
    p.add_argument("--out", required=True)
    p.set_defaults(run=to_png)
    p = commands.add_parser("to-text")
    p.add_argument("pngs", nargs="+")
    p.set_defaults(run=to_text)
    p = commands.add_parser("sheet")
    p.add_argument("pngs", nargs="+")
    p.add_argument("--out", required=True)
    p.add_argument("--scale", type=int, default=5)
    p.add_argument("--columns", type=int, default=8)
    p.set_defaults(run=sheet)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
