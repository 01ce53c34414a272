#!/usr/bin/env python3
"""Draws the package's palette pictures as 24x24 16-colour BMP files.

Each picture is built from a few shapes on a button-face background, in the
standard 16 colours, so that it reads at a glance on the designer's palette.
Run from orv/hostpkg/: tools/drawpalette.py
"""
import struct
from pathlib import Path

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
K, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
SIZE = 24


class Picture:
    def __init__(self):
        self.px = [[SILVER] * SIZE for _ in range(SIZE)]

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px[y][x] = c
        return self

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c).hline(x0, x1, y1, c)
        return self.vline(x0, y0, y1, c).vline(x1, y0, y1, c)

    def hline(self, x0, x1, y, c):
        return self.fill(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        return self.fill(x, y0, x, y1, c)

    def sunken(self, x0, y0, x1, y1, face=WHITE):
        """A field: white inside, shadowed top left as the controls draw it."""
        self.fill(x0, y0, x1, y1, face)
        self.hline(x0, x1, y0, GREY).vline(x0, y0, y1, GREY)
        self.hline(x0 + 1, x1, y0 + 1, K).vline(x0 + 1, y0 + 1, y1, K)
        return self

    def raised(self, x0, y0, x1, y1):
        """A button face with a light top left and a dark bottom right."""
        self.fill(x0, y0, x1, y1, SILVER)
        self.hline(x0, x1, y0, WHITE).vline(x0, y0, y1, WHITE)
        self.hline(x0, x1, y1, K).vline(x1, y0, y1, K)
        self.hline(x0 + 1, x1 - 1, y1 - 1, GREY).vline(x1 - 1, y0 + 1, y1 - 1, GREY)
        return self

    def text(self, x, y, length, c=K):
        """A line of text as dashes of two-pixel letters."""
        for i in range(length):
            self.fill(x + i * 3, y, x + i * 3 + 1, y + 1, c)
        return self

    def disc(self, cx, cy, r, c):
        for y in range(SIZE):
            for x in range(SIZE):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.px[y][x] = c
        return self

    def db(self, x, y):
        """The data-aware mark: a small yellow drum in the bottom right corner."""
        self.fill(x, y + 1, x + 6, y + 6, YELLOW).hline(x + 1, x + 5, y, YELLOW)
        self.hline(x, x + 6, y + 2, OLIVE).hline(x + 1, x + 5, y + 7, OLIVE)
        self.vline(x - 1, y + 1, y + 6, OLIVE).vline(x + 7, y + 1, y + 6, OLIVE)
        return self


def write_bmp(path, pic):
    row_bytes = ((SIZE * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(pic.px):  # BMP rows run bottom up
        line = bytearray(row_bytes)
        for x, idx in enumerate(row):
            line[x // 2] |= idx << 4 if x % 2 == 0 else idx
        pixels += line
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    Path(path).write_bytes(header + info + palette + pixels)


def table():
    p = Picture().fill(2, 3, 21, 20, WHITE).frame(2, 3, 21, 20, K)
    p.fill(3, 4, 20, 7, NAVY)
    for y in (11, 15):
        p.hline(3, 20, y, GREY)
    for x in (8, 14):
        p.vline(x, 8, 19, GREY)
    return p


def datasource():
    p = table().fill(12, 11, 22, 22, SILVER)
    p.disc(17, 17, 5, GREEN).disc(17, 17, 2, LIME).frame(11, 10, 22, 22, SILVER)
    return p


def label():
    p = Picture()
    # A capital A.
    for i in range(14):
        p.fill(11 - i // 2, 4 + i, 12 - i // 2, 4 + i, K).fill(11 + i // 2, 4 + i, 12 + i // 2, 4 + i, K)
    return p.hline(8, 15, 13, K)


def edit():
    return Picture().sunken(1, 6, 22, 17).text(4, 11, 5).vline(19, 9, 14, K)


def button():
    return Picture().raised(1, 6, 22, 17).text(6, 11, 4)


def bitbtn():
    p = Picture().raised(1, 5, 22, 18).text(12, 11, 3)
    for i in range(5):  # a green tick
        p.fill(4 + i, 10 + i, 5 + i, 10 + i, GREEN)
    for i in range(5):
        p.fill(8 + i, 14 - i * 2, 9 + i, 14 - i * 2, GREEN)
    return p


def combobox():
    p = Picture().sunken(1, 6, 22, 17).text(4, 11, 3)
    p.raised(15, 8, 21, 16)
    for i in range(3):
        p.hline(16 + i, 20 - i, 11 + i, K)
    return p


def radio(p, x, y, on):
    p.disc(x, y, 3, WHITE)
    for (dx, dy) in ((-3, 0), (0, -3), (-2, -2), (-2, 2), (2, -2)):
        p.px[y + dy][x + dx] = GREY
    if on:
        p.disc(x, y, 1, K)
    return p


def radiogroup():
    p = Picture().frame(1, 3, 22, 21, GREY).fill(3, 2, 10, 4, SILVER).text(4, 2, 2)
    radio(p, 6, 9, True).text(11, 8, 3)
    return radio(p, 6, 16, False).text(11, 15, 3)


def panel():
    p = Picture().raised(1, 3, 22, 20)
    return p.frame(4, 6, 19, 17, GREY).text(8, 11, 3)


def bevel():
    p = Picture().frame(2, 4, 21, 19, GREY).frame(3, 5, 22, 20, WHITE)
    return p.hline(2, 21, 12, GREY).hline(3, 22, 13, WHITE)


def shape():
    p = Picture().fill(2, 10, 11, 20, BLUE).frame(2, 10, 11, 20, K)
    return p.disc(15, 9, 6, RED)


def image():
    p = Picture().fill(2, 3, 21, 20, AQUA).frame(2, 3, 21, 20, K)
    p.disc(16, 8, 3, YELLOW)
    for i in range(8):  # hills
        p.hline(8 - i, 8 + i, 11 + i, GREEN)
    return p.fill(3, 19, 20, 19, GREEN)


def dbgrid():
    p = Picture().fill(1, 2, 20, 17, WHITE).frame(1, 2, 20, 17, K)
    p.fill(2, 3, 19, 5, SILVER).fill(2, 3, 4, 16, SILVER)
    for y in (6, 10, 14):
        p.hline(2, 19, y, GREY)
    for x in (5, 12):
        p.vline(x, 3, 16, GREY)
    return p.db(16, 16)


def listbox(p):
    p.sunken(2, 2, 19, 19)
    for y in (6, 10, 14):
        p.text(5, y, 4)
    return p.fill(3, 9, 18, 12, NAVY).text(5, 10, 4, WHITE)


def memo(p):
    p.sunken(2, 2, 19, 19)
    for y, n in ((6, 4), (10, 3), (14, 4)):
        p.text(5, y, n)
    return p


def checkbox(p):
    p.sunken(2, 6, 11, 15)
    for i in range(3):
        p.fill(4 + i, 10 + i, 4 + i, 10 + i, K)
    for i in range(4):
        p.fill(6 + i, 12 - i, 6 + i, 12 - i, K)
    return p.text(13, 10, 2)


def ctrlgrid(p):
    p.frame(1, 1, 20, 18, K)
    p.fill(2, 2, 19, 9, AQUA).hline(2, 19, 10, K)
    p.sunken(4, 4, 13, 8).sunken(4, 12, 13, 16)
    return p


def lookup_combo():
    p = combobox()
    p.fill(0, 18, 14, 23, SILVER).text(2, 20, 1, NAVY)  # the lookup arrow's dot
    return p


PICTURES = {
    'TTABLE': table, 'TDATASOURCE': datasource,
    'TLABEL': label, 'TEDIT': edit, 'TBUTTON': button, 'TBITBTN': bitbtn,
    'TCOMBOBOX': combobox, 'TRADIOGROUP': radiogroup, 'TPANEL': panel, 'TBEVEL': bevel,
    'TSHAPE': shape, 'TIMAGE': image,
    'TDBEDIT': lambda: edit().fill(14, 15, 23, 23, SILVER).db(16, 16),
    'TDBGRID': dbgrid,
    'TDBMEMO': lambda: memo(Picture()).db(16, 16),
    'TDBIMAGE': lambda: image().fill(14, 14, 23, 23, SILVER).db(16, 16),
    'TDBLISTBOX': lambda: listbox(Picture()).db(16, 16),
    'TDBCOMBOBOX': lambda: combobox().fill(14, 15, 23, 23, SILVER).db(16, 16),
    'TDBCHECKBOX': lambda: checkbox(Picture()).db(16, 16),
    'TDBRADIOGROUP': lambda: radiogroup().fill(14, 15, 23, 23, SILVER).db(16, 16),
    'TDBLOOKUPLISTBOX': lambda: listbox(Picture()).disc(4, 20, 2, BLUE).db(16, 16),
    'TDBLOOKUPCOMBOBOX': lambda: lookup_combo().disc(4, 20, 2, BLUE).db(16, 16),
    'TDBCTRLGRID': lambda: ctrlgrid(Picture()).db(16, 16),
}

if __name__ == '__main__':
    for name, draw in PICTURES.items():
        write_bmp(Path('res') / (name + '.bmp'), draw())
