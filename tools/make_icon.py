#!/usr/bin/env python3
"""Draw TAVORI's program icon and write it as res/tavori.ico.

The icon shows what the program is: a narrow dark panel, like the monitor's
own window, with a lighter title strip and a column of status rows -- green
for a running service, red for a stopped one.

Four images go into the file: 100x100, 48x48, 32x32 and 16x16.  Each is an
uncompressed 8-bit palettised BMP entry (BITMAPINFOHEADER with the height
doubled, a 256-entry palette, bottom-up XOR rows, then the 1-bpp AND mask
that makes the corners transparent).  Every size has its own hand-placed
layout on whole pixels so the small ones stay sharp instead of being shrunk
from the large one; only curved edges are antialiased, and the 16x16 image
is drawn without any smoothing at all.

Standard library only and fully deterministic: the same script always
writes the same bytes.

    python3 tools/make_icon.py [output.ico]
"""

import os
import struct
import sys

# --- colours (R, G, B) ------------------------------------------------------

TRANSPARENT = (0, 0, 0)          # XOR colour under a set AND-mask bit
BORDER = (86, 98, 117)
PANEL = (27, 33, 43)
HEADER = (46, 56, 70)
TITLE = (150, 164, 184)
GREEN = (52, 186, 92)
GREEN_LIGHT = (112, 222, 140)
RED = (226, 66, 72)
RED_LIGHT = (255, 138, 140)

# Service rows from top to bottom: True = running, False = stopped.
ROWS = (True, True, False, True)

# --- per-size layouts --------------------------------------------------------
#
# All coordinates are in pixels; a rectangle is (x0, y0, x1, y1) with the far
# edges exclusive.  "samples" is the supersampling grid per axis (1 = crisp).

LAYOUTS = {
    100: dict(samples=4, panel=(14, 3, 86, 97), radius=12, border=2,
              header_bottom=21, title=(24, 10, 58, 14), title_radius=2,
              bar_x=(23, 77), rows_top=28, row_h=12, row_gap=5,
              bar_radius=3, highlight=4),
    48: dict(samples=4, panel=(7, 1, 41, 47), radius=6, border=1,
             header_bottom=10, title=(11, 5, 27, 7), title_radius=0,
             bar_x=(11, 37), rows_top=13, row_h=6, row_gap=2,
             bar_radius=1.5, highlight=2),
    32: dict(samples=4, panel=(4, 0, 28, 32), radius=4, border=1,
             header_bottom=5, title=(7, 2, 17, 3), title_radius=0,
             bar_x=(7, 25), rows_top=7, row_h=4, row_gap=2,
             bar_radius=0, highlight=1),
    16: dict(samples=1, panel=(2, 0, 14, 16), radius=2, border=1,
             header_bottom=3, title=None, title_radius=0,
             bar_x=(4, 12), rows_top=4, row_h=2, row_gap=1,
             bar_radius=0, highlight=0),
}


# --- shapes ------------------------------------------------------------------

def rounded_rect(rect, radius, clip=None):
    """Inside-test for a rounded rectangle, optionally cut by a clip box."""
    x0, y0, x1, y1 = rect
    r = min(radius, (x1 - x0) / 2, (y1 - y0) / 2)

    def inside(x, y):
        if clip is not None:
            cx0, cy0, cx1, cy1 = clip
            if not (cx0 <= x < cx1 and cy0 <= y < cy1):
                return False
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        if r <= 0:
            return True
        # Nearest corner centre, if the point lies in a corner square.
        if x < x0 + r:
            cx = x0 + r
        elif x > x1 - r:
            cx = x1 - r
        else:
            return True
        if y < y0 + r:
            cy = y0 + r
        elif y > y1 - r:
            cy = y1 - r
        else:
            return True
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


class Canvas:
    def __init__(self, size, samples):
        self.size = size
        self.samples = samples
        self.rgb = [[0.0, 0.0, 0.0] for _ in range(size * size)]
        self.alpha = [0.0] * (size * size)

    def fill(self, inside, colour, bounds=None):
        """Paint a shape; each pixel is blended by the share of its
        sub-samples that fall inside."""
        n = self.samples
        total = n * n
        offsets = [(k + 0.5) / n for k in range(n)]
        if bounds is None:
            bounds = (0, 0, self.size, self.size)
        bx0, by0, bx1, by1 = (int(v) for v in bounds)
        bx0, by0 = max(bx0 - 1, 0), max(by0 - 1, 0)
        bx1, by1 = min(bx1 + 1, self.size), min(by1 + 1, self.size)
        for py in range(by0, by1):
            for px in range(bx0, bx1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if inside(px + ox, py + oy):
                            hits += 1
                if not hits:
                    continue
                k = hits / total
                i = py * self.size + px
                c = self.rgb[i]
                for ch in range(3):
                    c[ch] = c[ch] * (1.0 - k) + colour[ch] * k
                # Over transparency the colour stays pure; only coverage grows.
                if self.alpha[i] == 0.0:
                    c[:] = list(colour)
                self.alpha[i] = self.alpha[i] + (1.0 - self.alpha[i]) * k

    def pixels(self):
        """(colour or None for transparent) per pixel, top row first."""
        out = []
        for c, a in zip(self.rgb, self.alpha):
            if a < 0.5:
                out.append(None)
            else:
                out.append(tuple(int(v + 0.5) for v in c))
        return out


def draw(size):
    L = LAYOUTS[size]
    cv = Canvas(size, L["samples"])
    px0, py0, px1, py1 = L["panel"]
    b = L["border"]
    r = L["radius"]

    # Panel: a border-coloured rounded slab with the dark face inset.
    cv.fill(rounded_rect(L["panel"], r), BORDER, L["panel"])
    face = (px0 + b, py0 + b, px1 - b, py1 - b)
    cv.fill(rounded_rect(face, r - b), PANEL, face)

    # Title strip across the top of the face, with a line of "title text".
    head_clip = (face[0], face[1], face[2], L["header_bottom"])
    cv.fill(rounded_rect(face, r - b, clip=head_clip), HEADER, head_clip)
    if L["title"] is not None:
        cv.fill(rounded_rect(L["title"], L["title_radius"]), TITLE, L["title"])

    # Status rows.
    bx0, bx1 = L["bar_x"]
    y = L["rows_top"]
    for running in ROWS:
        base, light = (GREEN, GREEN_LIGHT) if running else (RED, RED_LIGHT)
        bar = (bx0, y, bx1, y + L["row_h"])
        cv.fill(rounded_rect(bar, L["bar_radius"]), base, bar)
        if L["highlight"]:
            glint = (bx0, y, bx1, y + L["highlight"])
            cv.fill(rounded_rect(bar, L["bar_radius"], clip=glint), light, glint)
        y += L["row_h"] + L["row_gap"]
    return cv.pixels()


# --- ICO encoding --------------------------------------------------------------

def encode_image(size, pixels):
    colours = sorted({p for p in pixels if p is not None} - {TRANSPARENT})
    palette = [TRANSPARENT] + colours
    if len(palette) > 256:
        raise SystemExit("%dx%d uses %d colours; 256 is the limit"
                         % (size, size, len(palette)))
    index = {c: i for i, c in enumerate(palette)}
    palette += [(0, 0, 0)] * (256 - len(palette))

    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in range(size - 1, -1, -1):          # bottom-up
        line = pixels[row * size:(row + 1) * size]
        xor += bytes(0 if p is None else index[p] for p in line)
        xor += b"\0" * (xor_stride - size)
        bits = bytearray(and_stride)
        for x, p in enumerate(line):
            if p is None:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits

    header = struct.pack("<IiiHHIIiiII",
                         40, size, size * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    pal = b"".join(struct.pack("BBBB", bl, g, rd, 0) for rd, g, bl in palette)
    return header + pal + bytes(xor) + bytes(mask)


def build_ico(sizes):
    images = [(s, encode_image(s, draw(s))) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 8,
                           len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    target = argv[1] if len(argv) > 1 else os.path.join(here, "..", "res", "tavori.ico")
    data = build_ico((100, 48, 32, 16))
    with open(target, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.normpath(target), len(data)))


if __name__ == "__main__":
    main(sys.argv)
