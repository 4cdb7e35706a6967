# Generates Haystack's desktop icon (64x64 PNG): python3 tools/make_icon.py [output file]
import math
import os
import random
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from make_data import Canvas, STRAW, shade  # noqa: E402

SIZE = 64                  # px, square
SKY = (102, 153, 204)      # the game's sky behind the mound
NEEDLE = (0, 0, 255)       # the needle's pure blue, as the game draws it
NEEDLE_ENDS = ((17, 18), (47, 33))  # px, from its eye to its point


def icon():
    c = Canvas(SIZE, SIZE)
    c.rect(4, 4, SIZE - 4, SIZE - 4, SKY)
    rng = random.Random(11)
    # The mound: a half-ellipse of straw strokes, the darker ones first.
    for _ in range(900):
        x = rng.uniform(6, SIZE - 6)
        top = SIZE - 6 - 40 * math.sqrt(max(0.0, 1 - ((x - SIZE / 2) / 26) ** 2))
        y = rng.uniform(top, SIZE - 6)
        slope, length = rng.uniform(-1.2, 1.2), rng.randrange(4, 10)
        colour = shade(STRAW, rng.uniform(0.45, 1.0))
        for i in range(length):
            px, py = int(x + i / math.hypot(1, slope)), int(y + slope * i / math.hypot(1, slope))
            if 4 <= px < SIZE - 4 and top <= py < SIZE - 4:
                c.put(px, py, colour)
    # The needle, two pixels thick, lying across the mound's top.
    (x0, y0), (x1, y1) = NEEDLE_ENDS
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x, y = x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps
        c.rect(x, y, x + 2, y + 2, NEEDLE)
    return c


def write_png(path, canvas):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + bytes(canvas.px[y * canvas.w * 4:(y + 1) * canvas.w * 4]) for y in range(canvas.h))
    header = struct.pack('>IIBBBBB', canvas.w, canvas.h, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'packaging', 'haystack.png')
    write_png(out, icon())
