#!/usr/bin/env python3
"""Draws the about box's pictures as Windows BMP files (run once; the files are committed).

BTNOK_UP.bmp, BTNOK_DN.bmp: the OK image released and pressed, 40x20, 16 colours.
ABOUTICON.bmp: the icon, 32x32, 16 colours (a key).
ABOUTBG.bmp: the background, 300x200, 256 colours (a light sky over a dark band).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The classic 16-colour palette (index: (r, g, b)).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, SILVER, GREY, YELLOW, OLIVE, WHITE, BLUE = 0, 4, 7, 8, 11, 3, 15, 12


def write_bmp(name, pixels, palette, bits):
    """pixels: rows top to bottom of palette indices."""
    h, w = len(pixels), len(pixels[0])
    row_bytes = ((w * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        if bits == 4:
            for x in range(0, w, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < w else 0
                line.append((hi << 4) | lo)
        else:
            line.extend(row)
        line.extend(b"\0" * (row_bytes - len(line)))
        data.extend(line)
    pal = bytearray()
    for r, g, b in palette:
        pal.extend(bytes((b, g, r, 0)))
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data), 3780, 3780, len(palette), 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + pal + data)


GLYPHS = {  # 5x7
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
}


def text(img, s, x, y, color, bold=True):
    for ch in s:
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(line):
                if bit == "1":
                    img[y + gy][x + gx] = color
                    if bold:
                        img[y + gy][x + gx + 1] = color
        x += 7 if bold else 6


def button(pressed):
    w, h = 40, 20
    img = [[SILVER] * w for _ in range(h)]
    for x in range(w):
        img[0][x] = img[h - 1][x] = BLACK
    for y in range(h):
        img[y][0] = img[y][w - 1] = BLACK
    light, dark = (GREY, WHITE) if pressed else (WHITE, GREY)
    for x in range(1, w - 1):
        img[1][x] = light
        img[h - 2][x] = dark
    for y in range(1, h - 1):
        img[y][1] = light
        img[y][w - 2] = dark
    if not pressed:
        for x in range(2, w - 2):
            img[h - 3][x] = GREY
        for y in range(2, h - 2):
            img[y][w - 3] = GREY
    d = 1 if pressed else 0
    text(img, "OK", 13 + d, 6 + d, NAVY)
    return img


def icon():
    n = 32
    img = [[WHITE] * n for _ in range(n)]
    cx, cy, r_out, r_in = 10, 11, 8, 3
    for y in range(n):
        for x in range(n):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 <= r_out * r_out:
                img[y][x] = OLIVE if d2 > (r_out - 1.5) ** 2 else YELLOW
            if d2 <= r_in * r_in:
                img[y][x] = WHITE
    # the shaft and two teeth
    for x in range(cx + r_out - 1, 30):
        for y in (cy - 2, cy - 1, cy, cy + 1, cy + 2):
            img[y][x] = OLIVE if y in (cy - 2, cy + 2) else YELLOW
    for x0 in (21, 26):
        for x in range(x0, x0 + 3):
            for y in range(cy + 3, cy + 8):
                img[y][x] = OLIVE if x in (x0, x0 + 2) or y == cy + 7 else YELLOW
    img[cy][29] = OLIVE
    # a blue base line: the key belongs to the records below it
    for x in range(3, 29):
        img[27][x] = img[28][x] = BLUE
    return img


def background():
    w, h = 300, 200
    band = 168  # the notice line sits on the dark band
    palette = []
    # 0..127: sky, white at the top to a pale blue
    for i in range(128):
        t = i / 127
        palette.append((round(255 - 60 * t), round(255 - 40 * t), 255))
    # 128..191: the band, navy to a deeper navy
    for i in range(64):
        t = i / 63
        palette.append((round(20 + 20 * (1 - t)), round(40 + 30 * (1 - t)), round(110 + 40 * (1 - t))))
    palette.extend([(0, 0, 0)] * (256 - len(palette)))
    img = []
    for y in range(h):
        row = []
        for x in range(w):
            if y < band:
                # a soft diagonal wave over the vertical fade
                wave = ((x + 2 * y) // 24) % 2
                v = min(127, round(y / band * 110) + wave * 6)
                row.append(v)
            elif y == band:
                row.append(0)  # a white rule over the band
            else:
                row.append(128 + min(63, (y - band) * 2))
        img.append(row)
    return img, palette


if __name__ == "__main__":
    write_bmp("BTNOK_UP.bmp", button(False), VGA, 4)
    write_bmp("BTNOK_DN.bmp", button(True), VGA, 4)
    write_bmp("ABOUTICON.bmp", icon(), VGA, 4)
    bg, pal = background()
    write_bmp("ABOUTBG.bmp", bg, pal, 8)
