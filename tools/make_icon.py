# Draws Haystack's icon: a hicolor icon tree, and beside it the Windows .ico, the window's XPM and
# the browser's app icons (web/):
# python3 tools/make_icon.py [hicolor folder]
import math
import os
import random
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from make_data import Canvas, STRAW, shade  # noqa: E402

APP_ID = 'net.haystackgame.Haystack'  # the icon's name, shared with the desktop entry and metainfo
GRID = 64                    # the picture is laid out in units of a 64x64 grid
SIZES = (48, 64, 128, 256)   # px, each drawn natively from the grid's geometry
ICO_SIZES = (16, 32, 48, 256)  # px, the Windows icon's pictures: title bar, task bar, desktop, Explorer
XPM_SIZE = 48                # px, the picture the X11 window carries in its hints
WEB_SIZES = (192, 512)       # px, the browser's app icons, named in its web app manifest
XPM_NAME = 'haystack_xpm'    # the C array the game's X11 desktop file includes
SKY_RECT = (4, 4, 60, 60)    # grid units, the sky square; every size maps its edges to whole pixels
SKY = (102, 153, 204)        # the game's sky behind the mound
MOUND = (32, 60, 26, 42)     # grid units: centre x, base y, half width, height of the half-ellipse
STRAWS = 900                 # strokes in the mound
STRAW_WIDTH = 0.9            # grid units, one stroke's thickness
SHADES = 8                   # straw brightness levels, 0.45 to 1.0 of the straw colour
NEEDLE = (0, 0, 255)         # the needle's pure blue, as the game draws it
NEEDLE_ENDS = ((18, 19), (48, 34))  # grid units, from its eye to its point, across the mound's top
NEEDLE_PARTS = ((0.0, 0.8, 2.0, NEEDLE), (0.8, 0.93, 1.2, NEEDLE), (0.93, 1.0, 0.6, NEEDLE),
                (0.05, 0.13, 0.7, SKY))  # (from, to) along it, width in grid units, colour: tapering to the point, the eye


def straw_colour(level):
    return shade(STRAW, 0.45 + 0.55 * level / (SHADES - 1))


def straws():
    """The mound's strokes as (x0, y0, x1, y1, shade level) in grid units, darkest first."""
    cx, base, half, height = MOUND
    rng = random.Random(11)
    strokes = []
    for _ in range(STRAWS):
        x = rng.uniform(cx - half, cx + half)
        top = base - height * math.sqrt(max(0.0, 1 - ((x - cx) / half) ** 2))
        y = rng.uniform(top, base)
        slope, length, level = rng.uniform(-1.2, 1.2), rng.uniform(4, 10), rng.randrange(SHADES)
        dx, dy = length / math.hypot(1, slope), slope * length / math.hypot(1, slope)
        if y + dy < top:  # a rising stroke stops at the outline above its root
            dx, dy = dx * (top - y) / dy, top - y
        strokes.append((x, y, x + dx, y + dy, level))
    return sorted(strokes, key=lambda s: s[4])


def needle():
    """The needle's strokes as (x0, y0, x1, y1, width, colour) in grid units."""
    (x0, y0), (x1, y1) = NEEDLE_ENDS
    return [(x0 + (x1 - x0) * a, y0 + (y1 - y0) * a, x0 + (x1 - x0) * b, y0 + (y1 - y0) * b, width, colour)
            for a, b, width, colour in NEEDLE_PARTS]


def blend(c, x, y, rgb, a):
    i = (y * c.w + x) * 4
    c.px[i:i + 3] = bytes(round(old + (new - old) * a) for old, new in zip(c.px[i:i + 3], rgb))


def segment(c, scale, x0, y0, x1, y1, width, rgb):
    """A round-capped stroke, antialiased by each pixel centre's distance to it, inside the sky."""
    x0, y0, x1, y1, hw = x0 * scale, y0 * scale, x1 * scale, y1 * scale, width * scale / 2
    dx, dy = x1 - x0, y1 - y0
    span = dx * dx + dy * dy or 1.0
    left, top, right, bottom = (round(e * scale) for e in SKY_RECT)
    for py in range(max(top, math.floor(min(y0, y1) - hw - 1)), min(bottom, math.ceil(max(y0, y1) + hw + 1))):
        for px in range(max(left, math.floor(min(x0, x1) - hw - 1)), min(right, math.ceil(max(x0, x1) + hw + 1))):
            t = min(1.0, max(0.0, ((px + 0.5 - x0) * dx + (py + 0.5 - y0) * dy) / span))
            a = min(1.0, hw + 0.5 - math.hypot(px + 0.5 - x0 - t * dx, py + 0.5 - y0 - t * dy))
            if a > 0:
                blend(c, px, py, rgb, a)


def icon(size):
    scale = size / GRID
    c = Canvas(size, size)
    c.rect(*(round(e * scale) for e in SKY_RECT), SKY)
    for x0, y0, x1, y1, level in straws():
        segment(c, scale, x0, y0, x1, y1, STRAW_WIDTH, straw_colour(level))
    for x0, y0, x1, y1, width, colour in needle():
        segment(c, scale, x0, y0, x1, y1, width, colour)
    return c


def icon_svg():
    """The same picture as a scalable SVG: one path of strokes per straw shade, then the needle."""
    def hexrgb(rgb):
        return '#%02x%02x%02x' % rgb
    left, top, right, bottom = SKY_RECT
    square = f'x="{left}" y="{top}" width="{right - left}" height="{bottom - top}"'
    strokes = straws()
    paths = []
    for level in range(SHADES):
        d = ''.join(f'M{x0:.2f} {y0:.2f}L{x1:.2f} {y1:.2f}' for x0, y0, x1, y1, lv in strokes if lv == level)
        paths.append(f'    <path stroke="{hexrgb(straw_colour(level))}" stroke-width="{STRAW_WIDTH:g}" d="{d}"/>\n')
    for x0, y0, x1, y1, width, colour in needle():
        paths.append(f'    <path stroke="{hexrgb(colour)}" stroke-width="{width:g}" d="M{x0:.2f} {y0:.2f}L{x1:.2f} {y1:.2f}"/>\n')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{GRID}" height="{GRID}" viewBox="0 0 {GRID} {GRID}">\n'
            f'  <title>Haystack</title>\n'
            f'  <defs><clipPath id="sky"><rect {square}/></clipPath></defs>\n'
            f'  <rect {square} fill="{hexrgb(SKY)}"/>\n'
            f'  <g clip-path="url(#sky)" fill="none" stroke-linecap="round">\n'
            + ''.join(paths) +
            '  </g>\n</svg>\n')


def png_bytes(canvas):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + bytes(canvas.px[y * canvas.w * 4:(y + 1) * canvas.w * 4]) for y in range(canvas.h))
    header = struct.pack('>IIBBBBB', canvas.w, canvas.h, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')


def dib_bytes(canvas):
    """A 32-bit BGRA bitmap as an icon holds it: bottom row first, then an all-clear AND mask."""
    w, h = canvas.w, canvas.h
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((canvas.px[i + 2], canvas.px[i + 1], canvas.px[i], canvas.px[i + 3]))
                      for y in reversed(range(h)) for i in range(y * w * 4, (y + 1) * w * 4, 4))
    mask_row = ((w + 31) // 32) * 4
    return header + pixels + bytes(mask_row * h)


def ico_bytes(canvases):
    """A Windows icon file: the small pictures as bitmaps, the 256 px one as PNG, as Windows does."""
    images = [png_bytes(c) if c.w >= 256 else dib_bytes(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def xpm_text(canvas):
    """The picture as XPM in C: fully clear pixels are None, all others keep their exact colour."""
    symbols = ''.join(chr(c) for c in range(35, 127) if chr(c) not in '\\"')
    colours = sorted({bytes(canvas.px[i:i + 3]) for i in range(0, len(canvas.px), 4) if canvas.px[i + 3]})
    code = {rgb: symbols[n // len(symbols)] + symbols[n % len(symbols)] for n, rgb in enumerate(colours, 1)}
    clear = symbols[0] * 2

    def pixel(i):
        return code[bytes(canvas.px[i:i + 3])] if canvas.px[i + 3] else clear
    lines = [f'{canvas.w} {canvas.h} {len(colours) + 1} 2', f'{clear} c None']
    lines += [f'{code[rgb]} c #{rgb.hex()}' for rgb in colours]
    lines += [''.join(pixel(i) for i in range(y * canvas.w * 4, (y + 1) * canvas.w * 4, 4)) for y in range(canvas.h)]
    return ('/* XPM */\n/* Haystack\'s icon, drawn by tools/make_icon.py */\n'
            f'static const char *const {XPM_NAME}[] = {{\n' + ',\n'.join(f'"{line}"' for line in lines) + '};\n')


def write_png(path, canvas):
    with open(path, 'wb') as f:
        f.write(png_bytes(canvas))


def app_path(root, folder, extension):
    os.makedirs(os.path.join(root, folder, 'apps'), exist_ok=True)
    return os.path.join(root, folder, 'apps', APP_ID + extension)


if __name__ == '__main__':
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'packaging', 'icons', 'hicolor')
    for size in SIZES:
        write_png(app_path(root, f'{size}x{size}', '.png'), icon(size))
    with open(app_path(root, 'scalable', '.svg'), 'w') as f:
        f.write(icon_svg())
    icons = os.path.dirname(os.path.abspath(root))
    with open(os.path.join(icons, 'haystack.ico'), 'wb') as f:
        f.write(ico_bytes([icon(size) for size in ICO_SIZES]))
    with open(os.path.join(icons, 'haystack.xpm'), 'w') as f:
        f.write(xpm_text(icon(XPM_SIZE)))
    os.makedirs(os.path.join(icons, 'web'), exist_ok=True)
    for size in WEB_SIZES:
        write_png(os.path.join(icons, 'web', f'icon-{size}.png'), icon(size))
