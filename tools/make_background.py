#!/usr/bin/env python3
"""Draws bitmap 126, the background picture of the memory view, and writes
src/resources/background.bmp (654x452, 16 colours, 4 bits per pixel).

The view draws its texts opaque at fixed pixel points, so the picture keeps
exact navy (0,0,128) behind the two grids and exact panel grey (192,192,192)
wherever a caption, the caret information, the page indicator or a status
line is drawn; labels and frames stay clear of those value areas.

Needs ImageMagick 6 (convert) and the WenQuanYi Micro Hei font. The output is
committed; run this again only to change the artwork:

    tools/make_background.py [output.bmp] [--png preview.png]
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONVERT = os.environ.get("CONVERT", "convert")
FONT = os.environ.get("CJK_FONT", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc")

W, H = 654, 452

# The 16 colours of the classic VGA palette; the picture uses these only.
PALETTE = [
    "#000000", "#800000", "#008000", "#808000", "#000080", "#800080", "#008080", "#c0c0c0",
    "#808080", "#ff0000", "#00ff00", "#ffff00", "#0000ff", "#ff00ff", "#00ffff", "#ffffff",
]
BLACK, GREY, SILVER, WHITE = "#000000", "#808080", "#c0c0c0", "#ffffff"
NAVY, BLUE, TEAL, MAROON = "#000080", "#0000ff", "#008080", "#800000"

# Drawing points of the view (pixels from the top-left of the view).
HEX_X, ASCII_X, GRID_Y, CELL_W, LINE_H = 33, 475, 32, 9, 15
CARD_NAME = (218, 301)
DECIMAL_ADDRESS = (425, 301)
HEX_ADDRESS = (533, 301)
PORT_NAME = (220, 332)
ZONE_NAME = (425, 332)
PAGE_NUMBER = (565, 332)
STATUS_LINES = [(12, 296), (12, 316), (12, 336)]
EXIT_HOTSPOT = (478, 381, 630, 425)

# Frames.
GRID_PANEL = (20, 20, 638, 279)   # bevel outside, navy inside
STATUS_BOX = (6, 289, 176, 357)   # sunken, grey inside
CARD_BOX = (180, 289, 378, 357)   # engraved group frames
CARET_BOX = (382, 289, 638, 357)


def line(x0, y0, x1, y1, colour):
    return ["-fill", "none", "-stroke", colour, "-strokewidth", "1",
            "-draw", f"line {x0},{y0} {x1},{y1}"]


def rect(x0, y0, x1, y1, colour):
    return ["-stroke", "none", "-fill", colour, "-draw", f"rectangle {x0},{y0} {x1},{y1}"]


def bevel(x0, y0, x1, y1, top_left, bottom_right):
    return (line(x0, y0, x1, y0, top_left) + line(x0, y0, x0, y1, top_left) +
            line(x0, y1, x1, y1, bottom_right) + line(x1, y0, x1, y1, bottom_right))


def sunken(x0, y0, x1, y1):
    """A two-pixel sunken well around the inside (x0+2, y0+2)-(x1-2, y1-2)."""
    return bevel(x0, y0, x1, y1, GREY, WHITE) + bevel(x0 + 1, y0 + 1, x1 - 1, y1 - 1, BLACK, SILVER)


def raised(x0, y0, x1, y1):
    return bevel(x0, y0, x1, y1, WHITE, BLACK) + bevel(x0 + 1, y0 + 1, x1 - 1, y1 - 1, SILVER, GREY)


def engraved(x0, y0, x1, y1):
    return bevel(x0, y0, x1, y1, GREY, WHITE) + bevel(x0 + 1, y0 + 1, x1 - 1, y1 - 1, WHITE, GREY)


def text(x, y, s, colour, size, anchor="NorthWest"):
    """Text whose box starts at (x, y); with anchor NorthEast x is its right end."""
    dx = W - x if anchor == "NorthEast" else x
    dy = y if anchor != "North" else y
    return ["-gravity", anchor, "-font", FONT, "-pointsize", str(size), "-stroke", "none",
            "-fill", colour, "-annotate", f"+{dx}+{dy}", s, "-gravity", "NorthWest"]


def group(box, title):
    """An engraved frame with its title set into the top edge."""
    x0, y0, x1, y1 = box
    return engraved(x0, y0, x1, y1) + rect(x0 + 6, y0 - 1, x0 + 10 + 11 * len(title), y0 + 2, SILVER) + \
        text(x0 + 8, y0 - 7, title, NAVY, 11)


def label(right, value_y, s):
    """A label ending 4 pixels left of a value drawn at value_y (16-pixel text)."""
    return text(right, value_y + 1, s, NAVY, 12, "NorthEast")


def artwork():
    a = ["-size", f"{W}x{H}", f"xc:{SILVER}"]

    # Column numbers above both grids.
    for col in range(16):
        a += text(HEX_X + col * 3 * CELL_W + 6, 4, f"{col:X}", NAVY, 10)
        a += text(ASCII_X + col * CELL_W + 2, 5, f"{col:X}", NAVY, 8)

    # The navy panel behind the grids, in a sunken frame, with a divider
    # between the hexadecimal and the character grid.
    x0, y0, x1, y1 = GRID_PANEL
    a += rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, NAVY)
    a += sunken(x0, y0, x1, y1)
    mid = (HEX_X + 16 * 3 * CELL_W + ASCII_X) // 2 - 2  # between 465 and 475
    a += line(mid, y0 + 6, mid, y1 - 6, TEAL)
    a += line(mid + 1, y0 + 6, mid + 1, y1 - 6, BLUE)
    # Row guides every four rows, in the gaps beside the grids.
    for row in range(0, 17, 4):
        y = GRID_Y + row * LINE_H - 1 if row < 16 else GRID_Y + 16 * LINE_H
        a += line(x0 + 4, y, x0 + 8, y, TEAL)
        a += line(x1 - 6, y, x1 - 4, y, TEAL)

    # Status area.
    a += sunken(*STATUS_BOX)
    a += rect(STATUS_BOX[0] + 6, STATUS_BOX[1] - 1, STATUS_BOX[0] + 34, STATUS_BOX[1] + 2, SILVER)
    a += text(STATUS_BOX[0] + 8, STATUS_BOX[1] - 7, "状态", NAVY, 11)

    # Caption and port; caret address, zone and page indicator.
    a += group(CARD_BOX, "读写器")
    a += group(CARET_BOX, "当前字节")
    a += label(CARD_NAME[0] - 4, CARD_NAME[1], "卡型:")
    a += label(PORT_NAME[0] - 4, PORT_NAME[1], "端口:")
    a += label(DECIMAL_ADDRESS[0] - 4, DECIMAL_ADDRESS[1], "地址:")
    a += label(ZONE_NAME[0] - 4, ZONE_NAME[1], "区域:")
    a += label(PAGE_NUMBER[0] - 4, PAGE_NUMBER[1], "页号:")

    # The quit button inside the exit hotspot.
    qx0, qy0, qx1, qy1 = EXIT_HOTSPOT
    a += rect(qx0 + 2, qy0 + 2, qx1 - 2, qy1 - 2, SILVER)
    a += raised(qx0, qy0, qx1, qy1)
    a += rect(qx0 + 12, qy0 + 14, qx0 + 27, qy0 + 29, MAROON)
    a += bevel(qx0 + 12, qy0 + 14, qx0 + 27, qy0 + 29, "#ff0000", BLACK)
    a += text((qx0 + qx1) // 2 - W // 2, qy0 + 11, "退  出", BLACK, 14, "North")
    return a


def main(argv):
    out = os.path.join(ROOT, "src", "resources", "background.bmp")
    png = None
    args = list(argv)
    if "--png" in args:
        i = args.index("--png")
        png = args[i + 1]
        del args[i:i + 2]
    if args:
        out = args[0]
    with tempfile.TemporaryDirectory() as tmp:
        palette = os.path.join(tmp, "palette.png")
        subprocess.run([CONVERT] + [f"xc:{c}" for c in PALETTE] + ["+append", palette], check=True)
        art = os.path.join(tmp, "art.png")
        subprocess.run([CONVERT] + artwork() + [art], check=True)
        subprocess.run([CONVERT, art, "-dither", "None", "-remap", palette, "-type", "Palette",
                        "-compress", "None", f"BMP3:{out}"], check=True)
        if png:
            subprocess.run([CONVERT, out, png], check=True)
    print(f"wrote {out}")


if __name__ == "__main__":
    main(sys.argv[1:])
