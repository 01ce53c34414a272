#!/usr/bin/env python3
"""Draws the package's pictures as 16-colour (4 bits per pixel) BMP files.

Each picture is a grid of characters, one per pixel; the letter picks a colour
of the standard 16-colour palette. The bottom left pixel's colour is the
see-through one for button glyphs. Run from design/: tools/drawbitmaps.py
"""
import struct
import sys
from pathlib import Path

# The standard 16 colours, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Grid letter -> palette index.
COLOURS = {
    'k': 0, 'm': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
    'd': 8, 'r': 9, 'G': 10, 'y': 11, 'b': 12, 'P': 13, 'c': 14, 'w': 15,
    '.': 7,  # background: button face (see-through on glyphs)
}


def write_bmp(path, rows):
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), path
    row_bytes = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom up
        line = bytearray(row_bytes)
        for x, ch in enumerate(row):
            idx = COLOURS[ch]
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
        pixels += line
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    Path(path).write_bytes(header + info + palette + pixels)


def grid(text):
    return [line for line in text.strip('\n').split('\n')]


# The generator: a stack of numbered cards (rows of a key table) with a gear.
TGENERATOR = grid('''
........................
..wwwwwwwwwwwwwwwwwww...
..wnnnnnnnnnnnnnnnnnwk..
..wnwwwwnnnnnnnnnnnnwk..
..wnnnnnnnnnnnnnnnnnwk..
..wwwwwwwwwwwwwwwwwwwk..
..wkkwkkwkwkkkwwwwwwwk..
..wwwwwwwwwwwwwwwwwwwk..
..wkkwkwkkwkkwwwwwwwwk..
..wwwwwwwwwwwwwwwwwwwk..
..wkwkkwkkkwkwwwwwwwwk..
..wwwwwwwwwwww.r.r.wwk..
..wkkwkkwkwkw.rrrrrrwk..
..wwwwwwwwwww..rrrr.wk..
..wkkkwkwkkwwrrr..rrrk..
..wwwwwwwwwww..r..r.wk..
..wkwkkwkkkwwrrr..rrrk..
..wwwwwwwwwww..rrrr.wk..
..wkkwkwkkwkw.rrrrrrwk..
..wwwwwwwwwwww.r.r.wwk..
..wwwwwwwwwwwwwwwwwwwk..
...kkkkkkkkkkkkkkkkkkk..
........................
........................
''')

# The stamper: a key over a large letter U.
TUNIKEY = grid('''
........................
...nnnnn........nnnnn...
...nnnnn........nnnnn...
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..........nnn....
....nnn..yyyy....nnn....
....nnn.yokkoy...nnn....
.....nnnyk..kyyyyyyyy...
.....nnnyk..kyokkkkoyk..
......nnyokkoykk.yk.yk..
.......nyyyyyn....k..k..
.........nnnn...........
........................
........................
........................
''')

PLUS = grid('''
..........
....kk....
....kk....
....kk....
.kkkkkkkk.
.kkkkkkkk.
....kk....
....kk....
....kk....
..........
''')

MINUS = grid('''
..........
..........
..........
..........
.kkkkkkkk.
.kkkkkkkk.
..........
..........
..........
..........
''')


def cross(size, colour):
    rows = []
    for y in range(size):
        row = ''
        for x in range(size):
            on = 3 <= x < size - 3 and 3 <= y < size - 3 and (abs(x - y) <= 1 or abs(x + y - (size - 1)) <= 1)
            row += colour if on else '.'
        rows.append(row)
    return rows


# Check mark, 16 by 16, twice: enabled (green) and disabled (grey with a white shadow).
CHECK_SHAPE = grid('''
................
................
................
.............X..
............XX..
...........XXX..
..X.......XXX...
..XX.....XXX....
..XXX...XXX.....
...XXX.XXX......
....XXXXX.......
.....XXX........
......X.........
................
................
................
''')


def check_pair():
    rows = []
    for y, line in enumerate(CHECK_SHAPE):
        enabled = line.replace('X', 'g')
        disabled = ''
        for x, ch in enumerate(line):
            if ch == 'X':
                disabled += 'd'
            elif y > 0 and x > 0 and CHECK_SHAPE[y - 1][x - 1] == 'X':
                disabled += 'w'
            else:
                disabled += '.'
        rows.append(enabled + disabled)
    return rows


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else 'res')
    out.mkdir(exist_ok=True)
    write_bmp(out / 'TGENERATOR.bmp', TGENERATOR)
    write_bmp(out / 'TUNIKEY.bmp', TUNIKEY)
    write_bmp(out / 'PLUS.bmp', PLUS)
    write_bmp(out / 'MINUS.bmp', MINUS)
    write_bmp(out / 'ENDTEST.bmp', cross(20, 'r'))
    write_bmp(out / 'CANCEL.bmp', cross(20, 'm'))
    write_bmp(out / 'CHECK.bmp', check_pair())


if __name__ == '__main__':
    main()
