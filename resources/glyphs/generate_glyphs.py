#!/usr/bin/env python3
"""Erzeugt die kleinen Listenbilder (Bewertung und Länderflaggen) für Pelvaro!.

Alle Bilder werden Pixel für Pixel gezeichnet und als PNG (RGBA, 8 Bit)
ohne Fremdbibliotheken geschrieben. Das Skript ist deterministisch: ein
erneuter Lauf erzeugt byte-gleiche Dateien.

Aufruf:
    python3 generate_glyphs.py            # Bilder und glyphs.qrc neu erzeugen
    python3 generate_glyphs.py --sheet X  # zusätzlich Übersichtsbild X (×4)

Erzeugt:
    rating_0.png … rating_4.png   20 × 12, transparenter Hintergrund
    flag_00.png … flag_28.png     22 × 14, 1 Pixel dunkelgrauer Rand
    glyphs.qrc                    Qt-Ressourcendatei, Präfix /glyphs
"""

from __future__ import annotations

import math
import struct
import sys
import zlib
from pathlib import Path

OUT_DIR = Path(__file__).resolve().parent

RATING_W, RATING_H = 20, 12
FLAG_W, FLAG_H = 22, 14
INNER_W, INNER_H = FLAG_W - 2, FLAG_H - 2  # Fläche innerhalb des Randes

TRANSPARENT = (0, 0, 0, 0)


def hexcol(value: str) -> tuple[int, int, int, int]:
    value = value.lstrip("#")
    return (int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16), 255)


WHITE = hexcol("FFFFFF")
BLACK = hexcol("000000")
BORDER = hexcol("4A4A4A")


# ---------------------------------------------------------------------------
# Leinwand
# ---------------------------------------------------------------------------

class Canvas:
    def __init__(self, width: int, height: int, fill=TRANSPARENT) -> None:
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x: int, y: int, colour) -> None:
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x: int, y: int):
        return self.px[y][x]

    def rect(self, x0: int, y0: int, x1: int, y1: int, colour) -> None:
        """Füllt das Rechteck [x0, x1) × [y0, y1)."""
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def pattern(self, x0: int, y0: int, rows: list[str], colours: dict) -> None:
        """Überträgt ein Zeichenmuster; '.' bleibt unverändert."""
        for dy, line in enumerate(rows):
            for dx, ch in enumerate(line):
                if ch in colours:
                    self.set(x0 + dx, y0 + dy, colours[ch])


class Flag:
    """Flaggenfläche 20 × 12; Koordinaten ohne Rand, Rand kommt beim Ausgeben dazu."""

    def __init__(self, fill=WHITE) -> None:
        self.c = Canvas(INNER_W, INNER_H, fill)

    def __getattr__(self, name):
        return getattr(self.c, name)

    def each(self):
        """Liefert (x, y, Mittelpunkt-x, Mittelpunkt-y) für jedes Pixel."""
        for y in range(INNER_H):
            for x in range(INNER_W):
                yield x, y, x + 0.5, y + 0.5

    def hstripes(self, colours: list, heights: list[int]) -> None:
        y = 0
        for colour, h in zip(colours, heights):
            self.c.rect(0, y, INNER_W, y + h, colour)
            y += h
        assert y == INNER_H

    def vstripes(self, colours: list, widths: list[int]) -> None:
        x = 0
        for colour, w in zip(colours, widths):
            self.c.rect(x, 0, x + w, INNER_H, colour)
            x += w
        assert x == INNER_W

    def disc(self, cx: float, cy: float, r: float, colour) -> None:
        for x, y, px, py in self.each():
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                self.c.set(x, y, colour)

    def nordic_cross(self, x0: int, w: int, y0: int, h: int, colour) -> None:
        self.c.rect(x0, 0, x0 + w, INNER_H, colour)
        self.c.rect(0, y0, INNER_W, y0 + h, colour)

    def framed(self) -> Canvas:
        out = Canvas(FLAG_W, FLAG_H, BORDER)
        for y in range(INNER_H):
            for x in range(INNER_W):
                out.set(x + 1, y + 1, self.c.get(x, y))
        return out


def seg_dist(px: float, py: float, ax: float, ay: float, bx: float, by: float) -> float:
    """Abstand des Punktes (px, py) von der Strecke a–b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    qx, qy = ax + t * dx, ay + t * dy
    return math.hypot(px - qx, py - qy)


# ---------------------------------------------------------------------------
# Bewertung
# ---------------------------------------------------------------------------

RATING_FILL = hexcol("F2B807")      # Gold
RATING_EDGE = hexcol("1E6B2E")      # Dunkelgrün
EMPTY_EDGE = hexcol("B4B4B4")       # Hellgrau
EMPTY_FILL = (236, 236, 236, 255)   # sehr helles Grau


def rating_glyph(level: int) -> Canvas:
    """Vier ansteigende Balken; `level` davon sind gefüllt."""
    c = Canvas(RATING_W, RATING_H)
    bar_w = 4
    heights = [5, 7, 9, 11]
    for i, h in enumerate(heights):
        x0 = 1 + i * (bar_w + 1)
        y0 = RATING_H - h
        filled = i < level
        edge = RATING_EDGE if filled else EMPTY_EDGE
        fill = RATING_FILL if filled else EMPTY_FILL
        c.rect(x0, y0, x0 + bar_w, RATING_H, edge)
        c.rect(x0 + 1, y0 + 1, x0 + bar_w - 1, RATING_H - 1, fill)
    return c


# ---------------------------------------------------------------------------
# Flaggen
# ---------------------------------------------------------------------------

UK_BLUE = hexcol("012169")
UK_RED = hexcol("C8102E")


def draw_union(f: Flag, w: int, h: int, diag_white: float, red_diag: bool,
               cross_white: float, cross_red: float) -> None:
    """Vereinfachte Union-Flagge im Bereich [0, w) × [0, h)."""
    cx, cy = w / 2, h / 2
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            d = min(seg_dist(px, py, 0, 0, w, h), seg_dist(px, py, 0, h, w, 0))
            f.set(x, y, WHITE if d < diag_white else UK_BLUE)
    if red_diag:
        # schmale rote Schrägen, je Spalte genau ein Pixel
        for x in range(w):
            y = min(h - 1, int((x + 0.5) * h / w))
            f.set(x, y, UK_RED)
            f.set(x, h - 1 - y, UK_RED)
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            if abs(px - cx) < cross_white or abs(py - cy) < cross_white:
                f.set(x, y, WHITE)
            if abs(px - cx) < cross_red or abs(py - cy) < cross_red:
                f.set(x, y, UK_RED)


def flag_unknown() -> Flag:
    f = Flag(hexcol("D4D4D4"))
    dark = hexcol("333333")
    f.pattern(7, 2, [
        ".####.",
        "##..##",
        "....##",
        "...##.",
        "..##..",
        "..##..",
        "......",
        "..##..",
    ], {"#": dark})
    return f


def flag_great_britain() -> Flag:
    f = Flag()
    draw_union(f, INNER_W, INNER_H, diag_white=1.6, red_diag=True,
               cross_white=2.0, cross_red=1.0)
    return f


def flag_south_africa() -> Flag:
    red, blue = hexcol("E03C31"), hexcol("001489")
    green, gold = hexcol("007749"), hexcol("FFB81C")
    f = Flag()
    jx, jy = 8.0, 6.0  # Gabelpunkt des liegenden Y
    for x, y, px, py in f.each():
        d = min(seg_dist(px, py, 0, 0, jx, jy),
                seg_dist(px, py, 0, INNER_H, jx, jy),
                seg_dist(px, py, jx, jy, INNER_W, jy))
        # innerhalb der Gabel (zur Stange hin)?
        inner = px < jx and abs(py - jy) < (jx - px) * (jy / jx)
        if d < 1.3:
            colour = green
        elif inner:
            colour = gold if d < 2.1 else BLACK
        elif d < 2.2:
            colour = WHITE
        else:
            colour = red if py < jy else blue
        f.set(x, y, colour)
    return f


def flag_russia() -> Flag:
    f = Flag()
    f.hstripes([WHITE, hexcol("0039A6"), hexcol("D52B1E")], [4, 4, 4])
    return f


def flag_italy() -> Flag:
    f = Flag()
    f.vstripes([hexcol("009246"), WHITE, hexcol("CE2B37")], [7, 6, 7])
    return f


def flag_spain() -> Flag:
    f = Flag()
    red = hexcol("AA151B")
    f.hstripes([red, hexcol("F1BF00"), red], [3, 6, 3])
    return f


def flag_cyprus() -> Flag:
    f = Flag()
    copper, green = hexcol("D57800"), hexcol("4E5B31")
    f.pattern(4, 2, [
        "..........##",
        "........###.",
        ".#########..",
        "##########..",
        ".#######....",
        "...##.......",
    ], {"#": copper})
    f.pattern(5, 9, [
        ".##......##.",
        "...###.###..",
    ], {"#": green})
    return f


def flag_canada() -> Flag:
    f = Flag()
    red = hexcol("D52B1E")
    f.vstripes([red, WHITE, red], [5, 10, 5])
    f.pattern(6, 1, [
        "...##...",
        "..####..",
        "#.####.#",
        "########",
        ".######.",
        "..####..",
        ".######.",
        "...##...",
        "...##...",
    ], {"#": red})
    return f


def flag_austria() -> Flag:
    f = Flag()
    red = hexcol("C8102E")
    f.hstripes([red, WHITE, red], [4, 4, 4])
    return f


def flag_belgium() -> Flag:
    f = Flag()
    f.vstripes([BLACK, hexcol("FDDA24"), hexcol("EF3340")], [7, 6, 7])
    return f


def flag_japan() -> Flag:
    f = Flag()
    f.disc(INNER_W / 2, INNER_H / 2, 3.7, hexcol("BC002D"))
    return f


def flag_india() -> Flag:
    f = Flag()
    f.hstripes([hexcol("FF9933"), WHITE, hexcol("138808")], [4, 4, 4])
    f.rect(9, 5, 11, 7, hexcol("000080"))
    return f


def flag_switzerland() -> Flag:
    # Rotes, fast quadratisches Feld mittig; links und rechts neutral hell.
    f = Flag(hexcol("E6E6E6"))
    red = hexcol("DA291C")
    f.rect(4, 0, 16, 12, red)
    f.rect(9, 2, 11, 10, WHITE)
    f.rect(6, 5, 14, 7, WHITE)
    return f


def flag_sweden() -> Flag:
    f = Flag(hexcol("006AA7"))
    f.nordic_cross(6, 2, 5, 2, hexcol("FECC00"))
    return f


def star_plus(f: Flag, x: int, y: int, colour, centre=None) -> None:
    for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
        f.set(x + dx, y + dy, colour)
    if centre is not None:
        f.set(x, y, centre)


def flag_australia() -> Flag:
    f = Flag(hexcol("012169"))
    draw_union(f, 11, 7, diag_white=0.6, red_diag=False,
               cross_white=1.5, cross_red=0.5)
    star_plus(f, 5, 9, WHITE)           # Stern unter dem Union-Eck
    star_plus(f, 15, 2, WHITE)          # Kreuz des Südens
    star_plus(f, 12, 6, WHITE)
    star_plus(f, 17, 5, WHITE)
    star_plus(f, 15, 10, WHITE)
    f.set(16, 7, WHITE)                 # kleiner Stern
    return f


def flag_usa() -> Flag:
    f = Flag()
    red, blue = hexcol("B22234"), hexcol("3C3B6E")
    for y in range(INNER_H):
        f.rect(0, y, INNER_W, y + 1, red if y % 2 == 0 else WHITE)
    f.rect(0, 0, 9, 7, blue)
    for y in (1, 3, 5):
        for x in (1, 3, 5, 7):
            f.set(x, y, WHITE)
    return f


def flag_france() -> Flag:
    f = Flag()
    f.vstripes([hexcol("0055A4"), WHITE, hexcol("EF4135")], [7, 6, 7])
    return f


def flag_germany() -> Flag:
    f = Flag()
    f.hstripes([BLACK, hexcol("DD0000"), hexcol("FFCE00")], [4, 4, 4])
    return f


def flag_greece() -> Flag:
    f = Flag()
    blue = hexcol("0D5EAF")
    heights = [2, 1, 1, 2, 1, 1, 2, 1, 1]   # neun Streifen auf zwölf Zeilen
    f.hstripes([blue if i % 2 == 0 else WHITE for i in range(9)], heights)
    f.rect(0, 0, 7, 7, blue)
    f.rect(3, 0, 4, 7, WHITE)
    f.rect(0, 3, 7, 4, WHITE)
    return f


def flag_new_zealand() -> Flag:
    f = Flag(hexcol("012169"))
    red = hexcol("C8102E")
    draw_union(f, 11, 7, diag_white=0.6, red_diag=False,
               cross_white=1.5, cross_red=0.5)
    star_plus(f, 15, 2, WHITE, red)
    star_plus(f, 12, 6, WHITE, red)
    star_plus(f, 17, 5, WHITE, red)
    star_plus(f, 15, 10, WHITE, red)
    return f


def flag_brazil() -> Flag:
    f = Flag(hexcol("009C3B"))
    yellow, blue = hexcol("FFDF00"), hexcol("002776")
    cx, cy = INNER_W / 2, INNER_H / 2
    for x, y, px, py in f.each():
        if abs(px - cx) / 8.6 + abs(py - cy) / 5.2 <= 1.0:
            f.set(x, y, yellow)
    f.disc(cx, cy, 3.0, blue)
    return f


def flag_norway() -> Flag:
    f = Flag(hexcol("BA0C2F"))
    f.nordic_cross(5, 4, 4, 4, WHITE)
    f.nordic_cross(6, 2, 5, 2, hexcol("00205B"))
    return f


def flag_iceland() -> Flag:
    f = Flag(hexcol("02529C"))
    f.nordic_cross(5, 4, 4, 4, WHITE)
    f.nordic_cross(6, 2, 5, 2, hexcol("DC1E35"))
    return f


def flag_finland() -> Flag:
    f = Flag()
    f.nordic_cross(5, 4, 4, 4, hexcol("002F6C"))
    return f


def flag_denmark() -> Flag:
    f = Flag(hexcol("C8102E"))
    f.nordic_cross(6, 2, 5, 2, WHITE)
    return f


def flag_czechoslovakia() -> Flag:
    f = Flag()
    f.hstripes([WHITE, hexcol("D7141A")], [6, 6])
    blue = hexcol("11457E")
    half = INNER_H / 2
    for x, y, px, py in f.each():
        if px <= (INNER_W / 2) * (1 - abs(py - half) / half) + 0.25:
            f.set(x, y, blue)
    return f


def flag_china() -> Flag:
    f = Flag(hexcol("EE1C25"))
    yellow = hexcol("FFDE00")
    f.pattern(1, 1, [
        "..#..",
        "#####",
        ".###.",
        ".#.#.",
    ], {"#": yellow})
    for x, y in ((7, 1), (8, 3), (8, 5), (7, 7)):
        f.set(x, y, yellow)
    return f


def flag_netherlands() -> Flag:
    f = Flag()
    f.hstripes([hexcol("AE1C28"), WHITE, hexcol("21468B")], [4, 4, 4])
    return f


def flag_other() -> Flag:
    """Stilisierter Globus: blaue Scheibe mit hellen Längen- und Breitenkreisen."""
    f = Flag()
    f.pattern(5, 1, [
        "...OOOOO...",
        ".OOLOLOLOO.",
        ".OLOOLOOLO.",
        "OOLOOLOOLOO",
        "OLOOOLOOOLO",
        "OLLLLLLLLLO",
        "OLOOOLOOOLO",
        "OOLOOLOOLOO",
        ".OLOOLOOLO.",
        ".OOLOLOLOO.",
        "...OOOOO...",
    ], {"O": hexcol("2F6DB5"), "L": hexcol("BFDDF7")})
    return f


FLAGS = [
    flag_unknown,          # 0  Unbekannt
    flag_great_britain,    # 1  Großbritannien
    flag_south_africa,     # 2  Südafrika
    flag_russia,           # 3  Rußland
    flag_italy,            # 4  Italien
    flag_spain,            # 5  Spanien
    flag_cyprus,           # 6  Zypern
    flag_canada,           # 7  Canada
    flag_austria,          # 8  Österreich
    flag_belgium,          # 9  Belgien
    flag_japan,            # 10 Japan
    flag_india,            # 11 Indien
    flag_switzerland,      # 12 Schweiz
    flag_sweden,           # 13 Schweden
    flag_australia,        # 14 Australien
    flag_usa,              # 15 USA
    flag_france,           # 16 Frankreich
    flag_germany,          # 17 Deutschland
    flag_greece,           # 18 Griechenland
    flag_new_zealand,      # 19 Neuseeland
    flag_brazil,           # 20 Brasilien
    flag_norway,           # 21 Norwegen
    flag_iceland,          # 22 Island
    flag_finland,          # 23 Finnland
    flag_denmark,          # 24 Dänemark
    flag_czechoslovakia,   # 25 Tschechoslowakei
    flag_china,            # 26 China
    flag_netherlands,      # 27 Niederlande
    flag_other,            # 28 Sonstige Länder
]


# ---------------------------------------------------------------------------
# PNG schreiben und lesen
# ---------------------------------------------------------------------------

PNG_SIG = b"\x89PNG\r\n\x1a\n"


def _chunk(kind: bytes, data: bytes) -> bytes:
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def encode_png(c: Canvas) -> bytes:
    raw = bytearray()
    for row in c.px:
        raw.append(0)  # Filter: keiner
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    ihdr = struct.pack(">IIBBBBB", c.width, c.height, 8, 6, 0, 0, 0)
    return (PNG_SIG + _chunk(b"IHDR", ihdr)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def _paeth(a: int, b: int, c: int) -> int:
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_png(data: bytes) -> tuple[int, int, list[list[tuple]]]:
    """Minimaler Leser für 8-Bit-RGBA ohne Zeilensprung; prüft CRCs."""
    if data[:8] != PNG_SIG:
        raise ValueError("keine PNG-Signatur")
    pos = 8
    ihdr = None
    idat = bytearray()
    seen_end = False
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError(f"CRC-Fehler in {kind!r}")
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            seen_end = True
            break
        pos += 12 + length
    if ihdr is None or not seen_end:
        raise ValueError("IHDR oder IEND fehlt")
    width, height, depth, ctype, comp, filt, interlace = ihdr
    if (depth, ctype, comp, filt, interlace) != (8, 6, 0, 0, 0):
        raise ValueError(f"unerwarteter IHDR {ihdr}")
    raw = zlib.decompress(bytes(idat))
    stride = width * 4
    if len(raw) != height * (stride + 1):
        raise ValueError("falsche Datenlänge")
    rows = []
    prev = bytearray(stride)
    for y in range(height):
        ftype = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 0xFF
            elif ftype == 2:
                line[i] = (line[i] + b) & 0xFF
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif ftype == 4:
                line[i] = (line[i] + _paeth(a, b, c)) & 0xFF
            elif ftype != 0:
                raise ValueError(f"unbekannter Filter {ftype}")
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        prev = line
    return width, height, rows


# ---------------------------------------------------------------------------
# Ausgabe
# ---------------------------------------------------------------------------

def all_glyphs() -> list[tuple[str, Canvas]]:
    out = [(f"rating_{n}.png", rating_glyph(n)) for n in range(5)]
    out += [(f"flag_{i:02d}.png", make().framed()) for i, make in enumerate(FLAGS)]
    return out


def write_qrc(names: list[str]) -> str:
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '    <qresource prefix="/glyphs">']
    lines += [f'        <file alias="{n}">{n}</file>' for n in names]
    lines += ['    </qresource>', '</RCC>', '']
    return "\n".join(lines)


def self_check(glyphs: list[tuple[str, Canvas]]) -> None:
    assert len(glyphs) == 34, len(glyphs)
    for name, canvas in glyphs:
        width, height, rows = decode_png((OUT_DIR / name).read_bytes())
        expect = (RATING_W, RATING_H) if name.startswith("rating_") else (FLAG_W, FLAG_H)
        if (width, height) != expect:
            raise SystemExit(f"{name}: Größe {width}×{height}, erwartet {expect}")
        if rows != [list(r) for r in canvas.px]:
            raise SystemExit(f"{name}: Inhalt weicht ab")
        if name.startswith("flag_"):
            edge = [rows[0][x] for x in range(width)] + [rows[-1][x] for x in range(width)]
            edge += [rows[y][0] for y in range(height)] + [rows[y][-1] for y in range(height)]
            if any(p != BORDER for p in edge):
                raise SystemExit(f"{name}: Rand fehlt")
            if any(p[3] != 255 for r in rows for p in r):
                raise SystemExit(f"{name}: unerwartete Transparenz")
        else:
            if rows[0][0][3] != 0:
                raise SystemExit(f"{name}: Hintergrund nicht transparent")
    qrc = (OUT_DIR / "glyphs.qrc").read_text(encoding="utf-8")
    for name, _ in glyphs:
        if f'<file alias="{name}">{name}</file>' not in qrc:
            raise SystemExit(f"glyphs.qrc: {name} fehlt")


def contact_sheet(glyphs: list[tuple[str, Canvas]], path: Path, scale: int = 4) -> None:
    cols = 6
    cell_w, cell_h = (FLAG_W + 4) * scale, (FLAG_H + 4) * scale
    rows = (len(glyphs) + cols - 1) // cols
    sheet = Canvas(cols * cell_w, rows * cell_h, (200, 205, 215, 255))
    for i, (_, g) in enumerate(glyphs):
        ox = (i % cols) * cell_w + 2 * scale
        oy = (i // cols) * cell_h + 2 * scale
        for y in range(g.height):
            for x in range(g.width):
                p = g.get(x, y)
                if p[3] == 0:
                    p = (255, 255, 255, 255)
                sheet.rect(ox + x * scale, oy + y * scale,
                           ox + (x + 1) * scale, oy + (y + 1) * scale, p)
    path.write_bytes(encode_png(sheet))


def main(argv: list[str]) -> int:
    glyphs = all_glyphs()
    for name, canvas in glyphs:
        (OUT_DIR / name).write_bytes(encode_png(canvas))
    (OUT_DIR / "glyphs.qrc").write_text(write_qrc([n for n, _ in glyphs]), encoding="utf-8")
    self_check(glyphs)
    if len(argv) >= 2 and argv[0] == "--sheet":
        contact_sheet(glyphs, Path(argv[1]))
    print(f"{len(glyphs)} Bilder und glyphs.qrc in {OUT_DIR} geschrieben, Prüfung bestanden.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
