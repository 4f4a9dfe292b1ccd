#!/usr/bin/env python3
"""Turns text pixel maps into 24-bit PNG pictures and back, with the standard library only.

The PNG files under resources/ are the pictures themselves; this tool is a way to
edit them as text. A map file holds palettes and pictures:

    palette
    R ff0000        one character, then the colour as rrggbb
    . 000000        '.' is black unless a palette says otherwise

    picture DonkeyKongBagImage
    ..RRRR...
    .RRRRRR..

Every row of a picture has the same length; the rows give the height.

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


def read_maps(paths):
    pictures = []
    for path in paths:
        palette = {".": (0, 0, 0)}
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
                palette[symbol] = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
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


def write_png(path, width, height, rgb_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgb_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def read_png(path):
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
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def to_png(args):
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    for picture in read_maps(args.maps):
        rows = [[c for symbol in row for c in picture["palette"][symbol]] for row in picture["rows"]]
        write_png(out / f"{picture['name']}.png", len(picture["rows"][0]), len(rows), rows)


def to_text(args):
    for path in args.pngs:
        width, height, rows = read_png(path)
        colours = sorted({pixel for row in rows for pixel in row if pixel != (0, 0, 0)})
        if len(colours) > len(SYMBOLS) - 1:
            sys.exit(f"{path}: {len(colours)} colours are more than a map can name")
        symbols = {(0, 0, 0): "."}
        symbols.update({colour: SYMBOLS[i + 1] for i, colour in enumerate(colours)})
        print("palette")
        for colour in colours:
            print(f"{symbols[colour]} {colour[0]:02x}{colour[1]:02x}{colour[2]:02x}")
        print(f"\npicture {Path(path).stem}")
        for row in rows:
            print("".join(symbols[pixel] for pixel in row))
        print()


def sheet(args):
    scale, gap, label_height = args.scale, 6, 0
    pictures = [(Path(p).stem, read_png(p)) for p in args.pngs]
    columns = max(1, min(len(pictures), args.columns))
    cell_w = max(w for _, (w, _, _) in pictures) * scale + gap
    cell_h = max(h for _, (_, h, _) in pictures) * scale + gap + label_height
    lines = (len(pictures) + columns - 1) // columns
    width, height = columns * cell_w + gap, lines * cell_h + gap
    canvas = [[(40, 40, 48)] * width for _ in range(height)]
    for index, (_, (w, h, rows)) in enumerate(pictures):
        left = gap + (index % columns) * cell_w
        top = gap + (index // columns) * cell_h
        for y in range(h * scale):
            for x in range(w * scale):
                canvas[top + y][left + x] = rows[y // scale][x // scale]
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
