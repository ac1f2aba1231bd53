#!/usr/bin/env python3
"""Draws the program's icon, logo and link cursor and writes them beside this script.

The icon and the logo are written as SVG here and rasterised with ImageMagick's `convert`;
the cursor is drawn pixel by pixel and written as a PNG with zlib alone. Run it again after
changing a drawing and commit what it writes.
"""
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

ICON_SIZES = (16, 32, 48, 64, 128, 256)

# A blue tile with a white page that bears a C with a caron: Czech text.
ICON_SVG = """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect x="8" y="8" width="240" height="240" rx="40" ry="40" fill="#1f5fa8" stroke="none"/>
  <path d="M64 36 H160 L196 72 V220 H64 Z" fill="#ffffff" stroke="none"/>
  <path d="M160 36 V72 H196 Z" fill="#b9cfe8" stroke="none"/>
  <path d="M100 60 L114 60 L122 70 L130 60 L144 60 L128 84 L116 84 Z" fill="#c0392b"
        stroke="none"/>
  <circle cx="124" cy="146" r="40" fill="none" stroke="#1f5fa8" stroke-width="22"/>
  <rect x="138" y="124" width="40" height="44" fill="#ffffff" stroke="none"/>
  <rect x="84" y="196" width="96" height="8" fill="#9db4cf" stroke="none"/>
</svg>
"""

# The project's logo: its name in a box with a stripe in the icon's colours, 103 x 26 pixels.
LOGO_SVG = """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="103" height="26" viewBox="0 0 103 26">
  <rect x="0" y="0" width="103" height="26" fill="#1f5fa8"/>
  <rect x="0" y="21" width="103" height="5" fill="#c0392b"/>
  <text x="51.5" y="17" font-family="DejaVu Sans" font-weight="bold" font-size="15"
        text-anchor="middle" fill="#ffffff">Pismovar</text>
</svg>
"""

# The link cursor: a hand with the index finger up, black outline and white fill. Its hot
# spot, the fingertip, is at (6, 0). X black, o white, . transparent.
CURSOR = """
.....XXX........................
....XoooX.......................
....XoooX.......................
....XoooX.......................
....XoooX.......................
....XoooXXXX....................
....XoooXoooXXX.................
....XoooXoooXooXXX..............
..XXXoooXoooXooXooX.............
.XooXoooXoooXooXooX.............
.XooXoooooooooooooX.............
.XoooooooooooooooooX............
..XooooooooooooooooX............
..XooooooooooooooooX............
...XoooooooooooooooX............
...XooooooooooooooX.............
....XoooooooooooooX.............
....XooooooooooooX..............
.....XoooooooooooX..............
.....XoooooooooooX..............
.....XXXXXXXXXXXXX..............
"""
CURSOR_SIZE = 32
CURSOR_COLOURS = {"X": (0, 0, 0, 255), "o": (255, 255, 255, 255), ".": (0, 0, 0, 0)}


def write_png(path, width, height, rows):
    """Writes 8-bit RGBA rows (lists of (r, g, b, a)) as a PNG."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                  + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw_cursor(path):
    art = [line for line in CURSOR.splitlines() if line]
    rows = []
    for y in range(CURSOR_SIZE):
        line = art[y] if y < len(art) else ""
        line = line.ljust(CURSOR_SIZE, ".")
        rows.append([CURSOR_COLOURS[ch] for ch in line[:CURSOR_SIZE]])
    write_png(path, CURSOR_SIZE, CURSOR_SIZE, rows)


def rasterise(svg_path, png_path, width, height):
    # Drawn at four times the size and scaled down, for smooth edges at every size.
    args = ["convert", "-background", "none", "-density", "384", svg_path,
            "-resize", f"{width}x{height}!", "-strip", f"PNG32:{png_path}"]
    subprocess.run(args, check=True)


def main():
    icon_svg = os.path.join(HERE, "pismovar.svg")
    with open(icon_svg, "w", encoding="utf-8") as out:
        out.write(ICON_SVG)
    for size in ICON_SIZES:
        rasterise(icon_svg, os.path.join(HERE, f"pismovar-{size}.png"), size, size)

    logo_svg = os.path.join(HERE, "logo132.svg")
    with open(logo_svg, "w", encoding="utf-8") as out:
        out.write(LOGO_SVG)
    rasterise(logo_svg, os.path.join(HERE, "logo132.png"), 103, 26)
    os.remove(logo_svg)

    draw_cursor(os.path.join(HERE, "cursor133.png"))


if __name__ == "__main__":
    main()
