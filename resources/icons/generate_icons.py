#!/usr/bin/env python3
"""Draws the program's own pictures for its menus and tool bars.

Every picture is described once below on a 16-unit grid and written as an SVG for each
size (16, 24 and 32 pixels) with its straight edges and lines moved onto whole pixels, so
that each size stays sharp instead of being a blurred scaling of another. rsvg-convert
renders the SVGs to PNG; the PNGs and icons.qrc are kept in the repository because the
program reads no SVG at run time.

Usage:
    python3 generate_icons.py              # write 16x16/, 24x24/, 32x32/ and icons.qrc
    python3 generate_icons.py --svg DIR    # also keep the SVGs in DIR
    python3 generate_icons.py --sheet FILE # also an overview of all pictures (enlarged)

The file names are the freedesktop icon names, so the program asks the
desktop's theme and these pictures under the same name.
"""

from __future__ import annotations

import base64
import math
import subprocess
import sys
import tempfile
from pathlib import Path

OUT_DIR = Path(__file__).resolve().parent
SIZES = (16, 24, 32)

INK = "#2b3036"
PAPER = "#ffffff"
PAPER_LINE = "#8a9199"
BLUE = "#2a6cc0"
BLUE_DARK = "#1b4c8c"
BLUE_LIGHT = "#c4daf4"
GREEN = "#3b9a2e"
GREEN_DARK = "#276d1d"
RED = "#d0372b"
RED_DARK = "#94221a"
YELLOW = "#f2c14e"
YELLOW_DARK = "#a97a12"
GREY = "#9aa1a9"
GREY_LIGHT = "#dde1e5"
ORANGE = "#ec8c2c"
BROWN = "#b07a43"
BROWN_DARK = "#6d4a25"
WOOD = "#f4d7a8"


class Canvas:
    """One picture at one pixel size; coordinates are given on the 16-unit grid."""

    def __init__(self, size: int) -> None:
        self.size = size
        self.k = size / 16
        self.parts: list[str] = []

    # --- coordinates -------------------------------------------------------------------
    def width(self, w: float) -> int:
        return max(1, round(w * self.k))

    def snap(self, v: float, pixel_width: int) -> float:
        """A line's centre on the pixel grid: odd widths sit on pixel centres."""
        x = v * self.k
        if pixel_width % 2:
            return math.floor(x) + 0.5
        return float(round(x))

    def edge(self, v: float) -> float:
        return float(round(v * self.k))

    def free(self, v: float) -> float:
        return round(v * self.k, 3)

    # --- primitives --------------------------------------------------------------------
    @staticmethod
    def _paint(fill, stroke, pw, extra="") -> str:
        f = fill if fill else "none"
        s = f' stroke="{stroke}" stroke-width="{pw}"' if stroke else ""
        return f'fill="{f}"{s}{extra}'

    def rect(self, x0, y0, x1, y1, fill=None, stroke=None, w=1.0, r=0.0, dash=None):
        """With a stroke, the corners are line centres; without, pixel edges."""
        pw = self.width(w)
        if stroke:
            a, b, c, d = (self.snap(v, pw) for v in (x0, y0, x1, y1))
        else:
            a, b, c, d = (self.edge(v) for v in (x0, y0, x1, y1))
        extra = f' rx="{self.free(r)}"' if r else ""
        if dash:
            extra += f' stroke-dasharray="{" ".join(str(self.width(x)) for x in dash)}"'
        self.parts.append(
            f'<rect x="{a}" y="{b}" width="{c - a}" height="{d - b}" '
            + self._paint(fill, stroke, pw, extra)
            + "/>"
        )

    def poly(self, points, fill=None, stroke=None, w=1.0, snap=True, closed=True):
        pw = self.width(w)
        conv = (lambda v: self.snap(v, pw)) if (snap and stroke) else self.free
        pts = " ".join(f"{conv(x)},{conv(y)}" for x, y in points)
        tag = "polygon" if closed else "polyline"
        join = ' stroke-linejoin="round" stroke-linecap="round"'
        self.parts.append(f'<{tag} points="{pts}" ' + self._paint(fill, stroke, pw, join) + "/>")

    def line(self, points, stroke=INK, w=1.0, snap=True, cap="butt"):
        pw = self.width(w)
        conv = (lambda v: self.snap(v, pw)) if snap else self.free
        pts = " ".join(f"{conv(x)},{conv(y)}" for x, y in points)
        self.parts.append(
            f'<polyline points="{pts}" fill="none" stroke="{stroke}" stroke-width="{pw}" '
            f'stroke-linecap="{cap}" stroke-linejoin="round"/>'
        )

    def circle(self, cx, cy, r, fill=None, stroke=None, w=1.0):
        pw = self.width(w)
        self.parts.append(
            f'<circle cx="{self.free(cx)}" cy="{self.free(cy)}" r="{self.free(r)}" '
            + self._paint(fill, stroke, pw)
            + "/>"
        )

    def ellipse(self, cx, cy, rx, ry, fill=None, stroke=None, w=1.0):
        pw = self.width(w)
        self.parts.append(
            f'<ellipse cx="{self.free(cx)}" cy="{self.free(cy)}" rx="{self.free(rx)}" '
            f'ry="{self.free(ry)}" ' + self._paint(fill, stroke, pw) + "/>"
        )

    def path(self, d, fill=None, stroke=None, w=1.0, cap="round"):
        """A free path on the 16-unit grid, scaled as a whole."""
        pw = self.width(w)
        s = f' stroke="{stroke}" stroke-width="{pw / self.k}" stroke-linecap="{cap}"' if stroke else ""
        self.parts.append(
            f'<path transform="scale({self.k})" d="{d}" fill="{fill or "none"}"{s} '
            'stroke-linejoin="round"/>'
        )

    def text(self, x, y, s, size, fill=INK, family="DejaVu Sans", weight="bold", style="normal"):
        self.parts.append(
            f'<text x="{self.free(x)}" y="{self.free(y)}" font-family="{family}" '
            f'font-size="{self.free(size)}" font-weight="{weight}" font-style="{style}" '
            f'text-anchor="middle" fill="{fill}">{s}</text>'
        )

    def svg(self) -> str:
        return (
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.size}" height="{self.size}" '
            f'viewBox="0 0 {self.size} {self.size}">\n  ' + "\n  ".join(self.parts) + "\n</svg>\n"
        )


# --- shared parts ------------------------------------------------------------------------

def page(c: Canvas, x0, y0, x1, y1, fold=3.0, lines=True, line_colour=PAPER_LINE):
    c.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], PAPER, INK)
    c.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], GREY_LIGHT, INK)
    if lines:
        y = y0 + fold + 2
        while y <= y1 - 2:
            right = x1 - 2 if y > y0 + fold + 2 else x1 - fold - 1
            c.line([(x0 + 2, y), (right, y)], line_colour)
            y += 2.5 if c.size != 24 else 3


def pencil(c: Canvas, ax, ay, bx, by, half=1.4):
    """A pencil from its end (a) to where the wood starts (b); the tip continues past b."""
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    px, py = -uy * half, ux * half
    tx, ty = bx + ux * 2.6, by + uy * 2.6
    c.poly([(ax + px, ay + py), (bx + px, by + py), (bx - px, by - py), (ax - px, ay - py)],
           ORANGE, BROWN_DARK, snap=False)
    c.poly([(bx + px, by + py), (tx, ty), (bx - px, by - py)], WOOD, BROWN_DARK, snap=False)
    c.poly([(tx - ux * 1.1 + px * 0.4, ty - uy * 1.1 + py * 0.4), (tx, ty),
            (tx - ux * 1.1 - px * 0.4, ty - uy * 1.1 - py * 0.4)], INK, snap=False)


def magnifier(c: Canvas, cx, cy, r, handle_to):
    c.circle(cx, cy, r, BLUE_LIGHT, INK, w=1.3)
    k = (r + 0.6) / math.sqrt(2)
    c.line([(cx + k, cy + k), handle_to], INK, w=2.6, snap=False, cap="round")


def floppy(c: Canvas):
    c.poly([(1.5, 1.5), (12.5, 1.5), (14.5, 3.5), (14.5, 14.5), (1.5, 14.5)], BLUE, BLUE_DARK)
    c.rect(4, 2, 12, 7, PAPER)
    c.rect(4, 10, 12, 14, GREY_LIGHT)
    c.rect(9, 11, 11, 13, BLUE_DARK)


def gear(c: Canvas, cx, cy, outer, inner, hole, teeth=8):
    pts = []
    span = 2 * math.pi / teeth
    for i in range(teeth):
        a = i * span
        for da, r in ((-0.30, inner), (-0.18, outer), (0.18, outer), (0.30, inner)):
            pts.append((cx + r * math.cos(a + da * span * 2), cy + r * math.sin(a + da * span * 2)))
    c.poly(pts, GREY, INK, snap=False)
    c.circle(cx, cy, hole, PAPER, INK)


def triangle_arrow(c: Canvas, forward: bool, bar: bool):
    def mx(x):
        return x if forward else 16 - x

    if bar:
        c.poly([(mx(4.5), 2.5), (mx(12.5), 8), (mx(4.5), 13.5)], BLUE, BLUE_DARK, snap=False)
        x0, x1 = sorted((mx(12.5), mx(14.5)))
        c.rect(x0, 2.5, x1, 13.5, BLUE, BLUE_DARK)
    else:
        c.poly([(mx(4.5), 2.5), (mx(12.5), 8), (mx(4.5), 13.5)], BLUE, BLUE_DARK, snap=False)


def text_rows(c: Canvas, lengths, align):
    ys = (2.5, 5.5, 8.5, 11.5, 14.5) if c.size != 24 else (2.5, 5.2, 8, 10.8, 13.5)
    for y, n in zip(ys, lengths):
        if align == "left":
            x0, x1 = 1.5, 1.5 + n
        elif align == "right":
            x0, x1 = 14.5 - n, 14.5
        else:
            x0, x1 = 8 - n / 2, 8 + n / 2
        c.line([(x0, y), (x1, y)], INK)


# --- the pictures ------------------------------------------------------------------------

def document_new(c):
    page(c, 4.5, 1.5, 13.5, 14.5)
    star = []
    for i in range(8):
        r = 3.6 if i % 2 == 0 else 1.3
        a = i * math.pi / 4 - math.pi / 2
        star.append((4.2 + r * math.cos(a), 4.6 + r * math.sin(a)))
    c.poly(star, YELLOW, YELLOW_DARK, w=0.8, snap=False)


def document_open(c):
    c.poly([(1.5, 13.5), (1.5, 2.5), (6.5, 2.5), (7.5, 3.5), (13.5, 3.5), (13.5, 13.5)],
           "#d9a93a", YELLOW_DARK)
    c.rect(3, 5, 12, 9, PAPER)
    c.poly([(1.5, 13.5), (3.5, 7.5), (15.5, 7.5), (13.5, 13.5)], YELLOW, YELLOW_DARK)


def document_save(c):
    floppy(c)


def document_save_as(c):
    floppy(c)
    pencil(c, 15.2, 5.8, 10.6, 10.4)


def document_print(c):
    c.rect(4.5, 1.5, 11.5, 6.5, PAPER, INK)
    c.rect(1.5, 5.5, 14.5, 11.5, GREY_LIGHT, INK, r=1)
    c.rect(3.5, 9.5, 12.5, 14.5, PAPER, INK)
    c.line([(5.5, 12.5), (10.5, 12.5)], PAPER_LINE)
    c.rect(11, 7, 13, 8, GREEN)


def document_print_preview(c):
    page(c, 1.5, 1.5, 11.5, 14.5)
    magnifier(c, 10, 9.5, 3.4, (14.3, 14.3))


def application_exit(c):
    c.rect(2.5, 1.5, 9.5, 14.5, GREY_LIGHT, INK)
    c.rect(4, 3, 8, 13, "#6f767e")
    c.poly([(5.5, 6.6), (10.5, 6.6), (10.5, 3.8), (15.2, 8), (10.5, 12.2), (10.5, 9.4), (5.5, 9.4)],
           RED, RED_DARK, snap=False)


def window_close(c):
    c.rect(1.5, 2.5, 14.5, 13.5, PAPER, INK)
    c.rect(2, 3, 14, 5, BLUE)
    c.line([(5.5, 7.2), (10.5, 12.2)], RED, w=1.8, snap=False, cap="round")
    c.line([(10.5, 7.2), (5.5, 12.2)], RED, w=1.8, snap=False, cap="round")


def edit_undo(c):
    c.path("M13.2 13.5 C13.2 8.2 10.5 6 6 6", stroke=BLUE, w=2.2)
    c.poly([(1.2, 6), (6.6, 1.6), (6.6, 10.4)], BLUE, BLUE_DARK, w=0.8, snap=False)


def edit_cut(c):
    c.line([(5.6, 10.2), (11.6, 1.2)], INK, w=1.4, snap=False, cap="round")
    c.line([(10.4, 10.2), (4.4, 1.2)], INK, w=1.4, snap=False, cap="round")
    c.circle(4.4, 12.4, 2.2, PAPER, RED, w=1.5)
    c.circle(11.6, 12.4, 2.2, PAPER, RED, w=1.5)


def edit_copy(c):
    page(c, 1.5, 1.5, 9.5, 11.5, fold=2.5)
    page(c, 6.5, 4.5, 14.5, 14.5, fold=2.5)


def edit_paste(c):
    c.rect(2.5, 2.5, 12.5, 14.5, BROWN, BROWN_DARK, r=1)
    c.rect(5.5, 1.5, 9.5, 4.5, GREY_LIGHT, INK)
    page(c, 7.5, 6.5, 14.5, 14.5, fold=2.5)


def edit_delete(c):
    c.line([(3.5, 3.5), (12.5, 12.5)], RED, w=2.8, snap=False, cap="round")
    c.line([(12.5, 3.5), (3.5, 12.5)], RED, w=2.8, snap=False, cap="round")


def edit_clear(c):
    # An eraser lying across the line it wipes away.
    def rot(cx, cy, x, y, a):
        return (cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a))

    a = -math.pi / 4
    cx, cy = 8.5, 7.5
    front = [rot(cx, cy, x, y, a) for x, y in ((-6, -2.6), (-1, -2.6), (-1, 2.6), (-6, 2.6))]
    back = [rot(cx, cy, x, y, a) for x, y in ((-1, -2.6), (5.5, -2.6), (5.5, 2.6), (-1, 2.6))]
    c.line([(1.5, 14.5), (14.5, 14.5)], GREY)
    c.poly(back, BLUE_LIGHT, BLUE_DARK, snap=False)
    c.poly(front, "#f2a0a8", RED_DARK, snap=False)


def edit_find(c):
    magnifier(c, 6.5, 6.5, 4.6, (14.2, 14.2))


def edit_select_all(c):
    c.rect(2, 2, 14, 14, BLUE_LIGHT)
    c.rect(1.5, 1.5, 14.5, 14.5, None, INK, dash=(2, 2))


def edit_select_none(c):
    c.rect(1.5, 1.5, 14.5, 14.5, PAPER, INK, dash=(2, 2))


def preferences_desktop_font(c):
    c.text(6.2, 13.6, "A", 14, INK, family="DejaVu Serif")
    c.text(12.6, 14.4, "a", 8.5, BLUE)


def preferences_system(c):
    gear(c, 8, 8, 7.2, 5.2, 2.3)


def circle_badge(c, letter, filled, family="DejaVu Serif", size=11.5, y=12.4):
    if filled:
        c.circle(8, 8, 7, BLUE, BLUE_DARK)
        c.text(8, y, letter, size, PAPER, family=family)
    else:
        c.circle(8, 8, 6.8, PAPER, BLUE, w=1.5)
        c.text(8, y, letter, size, BLUE, family=family)


def help_contents(c):
    circle_badge(c, "?", True, family="DejaVu Sans", size=11.5, y=12.3)


def help_about(c):
    circle_badge(c, "i", False)


def dialog_information(c):
    circle_badge(c, "i", True)


def help_hint(c):
    c.circle(8, 6.3, 5, YELLOW, YELLOW_DARK)
    c.rect(5.5, 10.5, 10.5, 14.5, GREY_LIGHT, INK)
    c.line([(5.5, 12.5), (10.5, 12.5)], INK)
    c.path("M5.4 6.6 A2.8 2.8 0 0 1 7.6 3.6", stroke=PAPER, w=1.2)


def media_playback_start(c):
    c.poly([(3.5, 1.8), (13.8, 8), (3.5, 14.2)], GREEN, GREEN_DARK, snap=False)


def process_stop(c):
    pts = [(8 + 7.2 * math.cos(math.pi / 8 + i * math.pi / 4),
            8 + 7.2 * math.sin(math.pi / 8 + i * math.pi / 4)) for i in range(8)]
    c.poly(pts, RED, RED_DARK, snap=False)
    c.line([(5.2, 5.2), (10.8, 10.8)], PAPER, w=2, snap=False, cap="round")
    c.line([(10.8, 5.2), (5.2, 10.8)], PAPER, w=2, snap=False, cap="round")


def circular_arrow(c, colour, dark, cx=8.0, cy=8.0, r=5.2, start=130.0, end=410.0):
    a0, a1 = math.radians(start), math.radians(end)
    x0, y0 = cx + r * math.cos(a0), cy + r * math.sin(a0)
    x1, y1 = cx + r * math.cos(a1), cy + r * math.sin(a1)
    large = 1 if (end - start) % 360 > 180 else 0
    c.path(f"M{x0:.3f} {y0:.3f} A{r} {r} 0 {large} 1 {x1:.3f} {y1:.3f}", stroke=colour, w=2.2,
           cap="butt")
    tx, ty = -math.sin(a1), math.cos(a1)  # clockwise tangent on screen
    nx, ny = math.cos(a1), math.sin(a1)
    tip = (x1 + tx * 3.2, y1 + ty * 3.2)
    c.poly([(x1 + nx * 2.8, y1 + ny * 2.8), tip, (x1 - nx * 2.8, y1 - ny * 2.8)], colour, dark,
           w=0.6, snap=False)


def view_refresh(c):
    circular_arrow(c, GREEN, GREEN_DARK)


def system_software_update(c):
    c.rect(2.5, 7.5, 13.5, 14.5, "#d9a75e", BROWN_DARK)
    c.line([(2.5, 10.5), (13.5, 10.5)], BROWN_DARK)
    c.poly([(6.5, 0.8), (9.5, 0.8), (9.5, 5), (12.2, 5), (8, 9.6), (3.8, 5), (6.5, 5)], BLUE,
           BLUE_DARK, snap=False)


def system_run(c):
    gear(c, 6.5, 6.5, 5.8, 4.1, 1.8)
    c.poly([(8.6, 7.8), (15.2, 11.6), (8.6, 15.4)], GREEN, GREEN_DARK, snap=False)


def go_first(c):
    triangle_arrow(c, False, True)


def go_previous(c):
    triangle_arrow(c, False, False)


def go_next(c):
    triangle_arrow(c, True, False)


def go_last(c):
    triangle_arrow(c, True, True)


def go_home(c):
    c.rect(3.5, 7.5, 12.5, 14.5, PAPER, INK)
    c.rect(7, 10, 10, 15, BROWN)
    c.line([(0.8, 8.6), (8, 1.6), (15.2, 8.6)], RED, w=1.8, snap=False, cap="round")


def web_browser(c):
    c.circle(8, 8, 6.6, BLUE_LIGHT, BLUE_DARK)
    c.ellipse(8, 8, 2.8, 6.6, None, BLUE_DARK)
    c.line([(1.5, 8), (14.5, 8)], BLUE_DARK)
    c.line([(2.6, 4.8), (13.4, 4.8)], BLUE_DARK, snap=False)
    c.line([(2.6, 11.2), (13.4, 11.2)], BLUE_DARK, snap=False)


def network_wired(c):
    c.rect(5.5, 1.5, 10.5, 5.5, BLUE_LIGHT, INK)
    c.line([(8, 5.5), (8, 8.5)], INK)
    c.line([(3.5, 10.5), (3.5, 8.5), (12.5, 8.5), (12.5, 10.5)], INK)
    c.rect(1.5, 10.5, 5.5, 14.5, BLUE_LIGHT, INK)
    c.rect(10.5, 10.5, 14.5, 14.5, BLUE_LIGHT, INK)


def list_add(c):
    c.poly([(6.5, 2.5), (9.5, 2.5), (9.5, 6.5), (13.5, 6.5), (13.5, 9.5), (9.5, 9.5), (9.5, 13.5),
            (6.5, 13.5), (6.5, 9.5), (2.5, 9.5), (2.5, 6.5), (6.5, 6.5)], GREEN, GREEN_DARK)


def list_remove(c):
    c.rect(2.5, 6.5, 13.5, 9.5, RED, RED_DARK)


def view_filter(c):
    c.poly([(1.5, 2.5), (14.5, 2.5), (9.5, 8.5), (9.5, 14.5), (6.5, 12.5), (6.5, 8.5)], BLUE_LIGHT,
           BLUE_DARK)


def document_import(c):
    page(c, 5.5, 1.5, 14.5, 14.5)
    c.poly([(0.6, 6.6), (5, 6.6), (5, 3.8), (9.6, 8), (5, 12.2), (5, 9.4), (0.6, 9.4)], GREEN,
           GREEN_DARK, snap=False)


def document_edit(c):
    page(c, 1.5, 1.5, 11.5, 14.5)
    pencil(c, 15.2, 4.8, 9.8, 10.2)


def text_html(c):
    # A page whose head is marked.
    page(c, 2.5, 1.5, 13.5, 14.5, lines=False)
    c.rect(4, 5, 12, 9, BLUE_LIGHT)
    c.line([(4.5, 6.5), (9.5, 6.5)], BLUE_DARK)
    c.line([(11.5, 11.5), (4.5, 11.5)], PAPER_LINE)
    c.line([(4.5, 13), (9.5, 13)], PAPER_LINE) if c.size != 16 else None


def x_office_document(c):
    page(c, 2.5, 1.5, 13.5, 14.5)


def x_office_spreadsheet(c):
    c.rect(1.5, 2.5, 14.5, 13.5, PAPER, INK)
    c.rect(2, 3, 14, 6, BLUE_LIGHT)
    c.line([(1.5, 5.5), (14.5, 5.5)], INK)
    for y in (8.5, 11):
        c.line([(1.5, y), (14.5, y)], PAPER_LINE)
    c.line([(6.5, 2.5), (6.5, 13.5)], PAPER_LINE)
    c.line([(10.5, 2.5), (10.5, 13.5)], PAPER_LINE)


# The letters are the German ones the program's style buttons show: Fett, Kursiv, Unterstrichen.
def format_text_bold(c):
    c.text(8, 13.6, "F", 15, INK)


def format_text_italic(c):
    c.text(8, 13.6, "K", 15, INK, family="DejaVu Serif", style="italic")


def format_text_underline(c):
    c.text(8, 11.8, "U", 13, INK)
    c.rect(3, 13, 13, 14 if c.size == 16 else 14.2, INK)


def format_justify_left(c):
    text_rows(c, (13, 9, 13, 9, 11), "left")


def format_justify_center(c):
    text_rows(c, (13, 8, 11, 6, 13), "centre")


def format_justify_right(c):
    text_rows(c, (13, 9, 13, 9, 11), "right")


def format_list_unordered(c):
    for y in (3.5, 8, 12.5):
        c.circle(3, y, 1.5, BLUE)
        c.line([(6.5, y), (14.5, y)], INK)


PICTURES = {
    "document-new": document_new,
    "document-open": document_open,
    "document-save": document_save,
    "document-save-as": document_save_as,
    "document-print": document_print,
    "document-print-preview": document_print_preview,
    "document-import": document_import,
    "document-edit": document_edit,
    "application-exit": application_exit,
    "window-close": window_close,
    "edit-undo": edit_undo,
    "edit-cut": edit_cut,
    "edit-copy": edit_copy,
    "edit-paste": edit_paste,
    "edit-delete": edit_delete,
    "edit-clear": edit_clear,
    "edit-find": edit_find,
    "edit-select-all": edit_select_all,
    "edit-select-none": edit_select_none,
    "preferences-desktop-font": preferences_desktop_font,
    "preferences-system": preferences_system,
    "help-contents": help_contents,
    "help-about": help_about,
    "help-hint": help_hint,
    "dialog-information": dialog_information,
    "media-playback-start": media_playback_start,
    "process-stop": process_stop,
    "system-run": system_run,
    "view-refresh": view_refresh,
    "system-software-update": system_software_update,
    "go-first": go_first,
    "go-previous": go_previous,
    "go-next": go_next,
    "go-last": go_last,
    "go-home": go_home,
    "web-browser": web_browser,
    "network-wired": network_wired,
    "list-add": list_add,
    "list-remove": list_remove,
    "view-filter": view_filter,
    "text-html": text_html,
    "x-office-document": x_office_document,
    "x-office-spreadsheet": x_office_spreadsheet,
    "format-text-bold": format_text_bold,
    "format-text-italic": format_text_italic,
    "format-text-underline": format_text_underline,
    "format-justify-left": format_justify_left,
    "format-justify-center": format_justify_center,
    "format-justify-right": format_justify_right,
    "format-list-unordered": format_list_unordered,
}

# The program's application icon is drawn with its packaging; the resource file takes its
# PNGs from there when they exist.
APP_ICON_SIZES = (16, 32, 48, 256)
APP_ICON_DIR = OUT_DIR.parent.parent / "packaging"


def app_icon_files() -> list[tuple[int, str]]:
    found = []
    for size in APP_ICON_SIZES:
        picture = APP_ICON_DIR / "icons" / f"pelvaro-{size}.png"
        if picture.exists():
            found.append((size, Path("..", "..", "packaging", "icons", picture.name).as_posix()))
    return found


def write_qrc() -> None:
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '    <qresource prefix="/programicons">']
    for size in SIZES:
        for name in PICTURES:
            lines.append(f'        <file>{size}x{size}/{name}.png</file>')
    lines.append("    </qresource>")
    app = app_icon_files()
    if app:
        lines.append('    <qresource prefix="/programicons/application">')
        for size, rel in app:
            lines.append(f'        <file alias="pelvaro-{size}.png">{rel}</file>')
        lines.append("    </qresource>")
    lines.append("</RCC>")
    (OUT_DIR / "icons.qrc").write_text("\n".join(lines) + "\n", encoding="utf-8")


def render(svg_dir: Path) -> None:
    for size in SIZES:
        (OUT_DIR / f"{size}x{size}").mkdir(exist_ok=True)
        for name, draw in PICTURES.items():
            canvas = Canvas(size)
            draw(canvas)
            svg = svg_dir / f"{name}-{size}.svg"
            svg.write_text(canvas.svg(), encoding="utf-8")
            png = OUT_DIR / f"{size}x{size}" / f"{name}.png"
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", str(png), str(svg)],
                           check=True)


def write_sheet(target: Path, zoom: int = 3, columns: int = 7) -> None:
    """All pictures at their three sizes side by side, enlarged without smoothing."""
    cell_w = sum(SIZES) * zoom + 6 * len(SIZES) + 14
    cell_h = max(SIZES) * zoom + 22
    names = list(PICTURES)
    rows = (len(names) + columns - 1) // columns
    width, height = columns * cell_w, rows * cell_h
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}">',
             f'<rect width="{width}" height="{height}" fill="#f0f0f0"/>']
    for n, name in enumerate(names):
        x0, y0 = (n % columns) * cell_w + 6, (n // columns) * cell_h + 4
        parts.append(f'<text x="{x0}" y="{y0 + 11}" font-family="DejaVu Sans" font-size="11">'
                     f'{name}</text>')
        x = x0
        for size in SIZES:
            data = base64.b64encode((OUT_DIR / f"{size}x{size}" / f"{name}.png").read_bytes()).decode()
            parts.append(f'<image x="{x}" y="{y0 + 16}" width="{size * zoom}" height="{size * zoom}" '
                         f'style="image-rendering:pixelated" '
                         f'href="data:image/png;base64,{data}"/>')
            x += size * zoom + 6
    parts.append("</svg>")
    with tempfile.TemporaryDirectory() as tmp:
        svg = Path(tmp) / "sheet.svg"
        svg.write_text("\n".join(parts), encoding="utf-8")
        subprocess.run(["rsvg-convert", "-o", str(target), str(svg)], check=True)


def main(argv: list[str]) -> int:
    svg_dir = None
    sheet = None
    args = iter(argv)
    for arg in args:
        if arg == "--svg":
            svg_dir = Path(next(args))
        elif arg == "--sheet":
            sheet = Path(next(args))
        else:
            print(__doc__)
            return 2
    if svg_dir:
        svg_dir.mkdir(parents=True, exist_ok=True)
        render(svg_dir)
    else:
        with tempfile.TemporaryDirectory() as tmp:
            render(Path(tmp))
    write_qrc()
    if sheet:
        write_sheet(sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
