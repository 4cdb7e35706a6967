# Generates Haystack's pictures (TGA) and music (MP3): python3 tools/make_data.py [output directory]
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import wave
from array import array
from fractions import Fraction
from functools import lru_cache

# ---------------------------------------------------------------- font

GLYPH_W = 5               # glyph width in font pixels (glyphs are 7 rows high); one blank column between letters
SHADOW = (40, 16, 0)      # drop-shadow colour under large lettering
FONT = {
    'A': '.###. #...# #...# ##### #...# #...# #...#', 'B': '####. #...# #...# ####. #...# #...# ####.',
    'C': '.###. #...# #.... #.... #.... #...# .###.', 'D': '####. #...# #...# #...# #...# #...# ####.',
    'E': '##### #.... #.... ####. #.... #.... #####', 'F': '##### #.... #.... ####. #.... #.... #....',
    'G': '.###. #...# #.... #.### #...# #...# .####', 'H': '#...# #...# #...# ##### #...# #...# #...#',
    'I': '.###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.', 'J': '..### ...#. ...#. ...#. ...#. #..#. .##..',
    'K': '#...# #..#. #.#.. ##... #.#.. #..#. #...#', 'L': '#.... #.... #.... #.... #.... #.... #####',
    'M': '#...# ##.## #.#.# #.#.# #...# #...# #...#', 'N': '#...# #...# ##..# #.#.# #..## #...# #...#',
    'O': '.###. #...# #...# #...# #...# #...# .###.', 'P': '####. #...# #...# ####. #.... #.... #....',
    'Q': '.###. #...# #...# #...# #.#.# #..#. .##.#', 'R': '####. #...# #...# ####. #.#.. #..#. #...#',
    'S': '.###. #...# #.... .###. ....# #...# .###.', 'T': '##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..',
    'U': '#...# #...# #...# #...# #...# #...# .###.', 'V': '#...# #...# #...# #...# #...# .#.#. ..#..',
    'W': '#...# #...# #...# #.#.# #.#.# #.#.# .#.#.', 'X': '#...# #...# .#.#. ..#.. .#.#. #...# #...#',
    'Y': '#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..', 'Z': '##### ....# ...#. ..#.. .#... #.... #####',
    '0': '.###. #...# #..## #.#.# ##..# #...# .###.', '1': '..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.',
    '2': '.###. #...# ....# ...#. ..#.. .#... #####', '3': '##### ...#. ..#.. ...#. ....# #...# .###.',
    '4': '...#. ..##. .#.#. #..#. ##### ...#. ...#.', '5': '##### #.... ####. ....# ....# #...# .###.',
    '6': '..##. .#... #.... ####. #...# #...# .###.', '7': '##### ....# ...#. ..#.. .#... .#... .#...',
    '8': '.###. #...# #...# .###. #...# #...# .###.', '9': '.###. #...# #...# .#### ....# ...#. .##..',
    ' ': '..... ..... ..... ..... ..... ..... .....', '!': '..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..',
    '.': '..... ..... ..... ..... ..... .##.. .##..', ',': '..... ..... ..... ..... .##.. ..#.. .#...',
    '-': '..... ..... ..... ##### ..... ..... .....', ':': '..... .##.. .##.. ..... .##.. .##.. .....',
    "'": '..#.. ..#.. .#... ..... ..... ..... .....', '?': '.###. #...# ....# ...#. ..#.. ..... ..#..',
    '/': '....# ....# ...#. ..#.. .#... #.... #....',
}

# ---------------------------------------------------------------- canvas and TGA


class Canvas:
    """RGBA pixels, top row first; every pixel is either fully opaque or fully clear."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = bytearray(w * h * 4)  # starts fully transparent

    def put(self, x, y, rgb):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = (y * self.w + x) * 4
            self.px[i:i + 4] = bytes((rgb[0], rgb[1], rgb[2], 255))

    def rect(self, x0, y0, x1, y1, paint):
        """Fill [x0,x1) x [y0,y1) with a colour or with paint(x, y) -> colour."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, paint(x, y) if callable(paint) else paint)

    def resampled(self, w, h):
        """Nearest-neighbour copy at a new size, sampling each target pixel's centre."""
        out = Canvas(w, h)
        for y in range(h):
            sy = (2 * y + 1) * self.h // (2 * h)
            for x in range(w):
                i, j = (sy * self.w + (2 * x + 1) * self.w // (2 * w)) * 4, (y * w + x) * 4
                out.px[j:j + 4] = self.px[i:i + 4]
        return out


def write_tga(path, canvas):
    assert set(canvas.px[3::4]) <= {0, 255}, 'alpha must be 0 or 255'
    header = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, canvas.w, canvas.h, 32, 0x28)
    bgra = bytearray(canvas.px)
    bgra[0::4], bgra[2::4] = canvas.px[2::4], canvas.px[0::4]
    with open(path, 'wb') as f:
        f.write(header + bgra)


def noise(x, y, seed=0):
    """Repeatable hash noise in [0, 1) for texture grain."""
    n = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65536.0


def shade(rgb, k):
    return tuple(max(0, min(255, int(c * k))) for c in rgb)


def vertical_gradient(top, bottom, y0, y1):
    def paint(x, y):
        t = min(1.0, max(0.0, (y - y0) / max(1, y1 - y0)))
        return tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
    return paint


def text_width(text, scale):
    return (len(text) * (GLYPH_W + 1) - 1) * scale


def draw_text(canvas, text, y, scale, fill, outline=(0, 0, 0), border=2, shadow=0):
    """Centred text: drop shadow, then outline, then the letters themselves."""
    x0 = (canvas.w - text_width(text, scale)) // 2
    cells = [(x0 + (i * (GLYPH_W + 1) + gx) * scale, y + gy * scale)
             for i, ch in enumerate(text) for gy, row in enumerate(FONT[ch].split())
             for gx, bit in enumerate(row) if bit == '#']
    def blocks(offset, grow, paint):
        for x, yy in cells:
            canvas.rect(x - grow + offset, yy - grow + offset, x + scale + grow + offset, yy + scale + grow + offset, paint)
    if shadow:
        blocks(shadow, border, SHADOW)
    blocks(0, border, outline)
    blocks(0, 0, fill)

# ---------------------------------------------------------------- pictures

PICKET_PITCH = 32             # px from one picket to the next (256 / 8, so the texture tiles)
PICKET_W = 24                 # px width of one picket; the rest of the pitch is a see-through gap
TIP_H = 7                     # px height of the pointed picket tops, starting at the top row
RAILS = ((13, 21), (43, 51))  # row ranges of the two cross rails seen through the gaps
WOOD = (158, 110, 62)         # weathered pine
RAIL_WOOD = (112, 74, 40)     # rails sit in the shade behind the pickets


def fence():
    c = Canvas(256, 64)
    half = PICKET_W / 2
    for y in range(c.h):
        for x in range(c.w):
            dx = x % PICKET_PITCH - (PICKET_PITCH - PICKET_W) / 2 - half + 0.5  # from picket centre
            if abs(dx) < half and y >= TIP_H * (abs(dx) / half) - 0.5:
                edge = abs(dx) > half - 1.5 or y < TIP_H * (abs(dx) / half) + 1
                grain = 0.82 + 0.18 * noise(x, y // 5, 1) + 0.08 * math.sin(x * 1.7 + x // 32)
                c.put(x, y, shade(WOOD, 0.6 if edge else grain))
            else:
                for top, bottom in RAILS:
                    if top <= y < bottom:
                        k = 1.2 if y == top else 0.7 if y == bottom - 1 else 0.9 + 0.1 * noise(x // 4, y, 2)
                        c.put(x, y, shade(RAIL_WOOD, k))
    for px in range(PICKET_PITCH // 2 - 6, 256, PICKET_PITCH):  # nail heads where pickets meet rails
        for top, bottom in RAILS:
            for nx in (px, px + 11):
                c.rect(nx, (top + bottom) // 2 - 1, nx + 2, (top + bottom) // 2 + 1, (60, 56, 52))
    return c


CLOUD_PUFFS = ((62, 78, 30), (100, 60, 38), (146, 48, 42), (190, 66, 34), (222, 84, 22),
               (34, 92, 20), (120, 88, 34), (168, 90, 30))  # (centre x, centre y, radius) px
CLOUD_BASE = 112                                      # px row where the flat underside is cut


def cloud():
    c = Canvas(256, 128)
    for y in range(CLOUD_BASE):
        for x in range(c.w):
            lights = [1 - math.hypot(x - px + r * 0.35, y - py + r * 0.45) / (1.7 * r)
                      for px, py, r in CLOUD_PUFFS if math.hypot(x - px, y - py) < r]
            if lights:
                g = int(190 + 65 * max(lights) - 25 * (y / CLOUD_BASE) ** 3)
                c.put(x, y, (g, g, min(255, g + 6)))
    return c


BAND_BROWN = (88, 44, 0)   # card background; no blue anywhere, the game multiplies by (1,1,0)
FRAME = (150, 90, 0)       # wooden frame around the see-through window
GOLD = (255, 200, 0)       # trim lines
WHEAT = (255, 214, 0)      # small lettering
STRAW = (210, 160, 0)      # loose hay


def hay_band(c, y0, y1, seed):
    """Dark brown band strewn with short straws."""
    c.rect(0, y0, c.w, y1, BAND_BROWN)
    rng = random.Random(seed)
    for _ in range((y1 - y0) * c.w // 60):
        x, y, length, slope = rng.randrange(c.w), rng.randrange(y0, y1), rng.randrange(8, 26), rng.uniform(-0.6, 0.6)
        colour = shade(STRAW, rng.uniform(0.4, 0.7))
        for i in range(length):
            if y0 <= int(y + slope * i) < y1:
                c.put(x + i, int(y + slope * i), colour)


def intro_card():
    c = Canvas(640, 480)  # laid out at window size, squeezed to 512x512 at the end
    hay_band(c, 0, 128, seed=7)
    hay_band(c, 300, 480, seed=8)
    for x0 in (0, 624):  # side posts of the window frame
        c.rect(x0, 128, x0 + 16, 300, lambda x, y: shade(FRAME, 0.85 + 0.15 * noise(x, y // 6, 3)))
    for y0 in (124, 300):  # gold trim along the window edges
        c.rect(0, y0, 640, y0 + 4, GOLD)
    draw_text(c, 'HAYSTACK', 12, 10, vertical_gradient((255, 240, 0), (255, 110, 0), 12, 82), border=4, shadow=6)
    draw_text(c, 'FIND THE NEEDLE', 97, 3, WHEAT)
    draw_text(c, 'PRESS SPACE', 318, 5, vertical_gradient((255, 255, 0), (255, 170, 0), 318, 353), border=3, shadow=4)
    for i, line in enumerate(('ARROWS WALK AND TURN', 'HOLD MOUSE BUTTON TO THROW',
                              'SPACE LOOKS DOWN', 'ESC QUITS')):
        draw_text(c, line, 368 + i * 27, 3, WHEAT)
    return c.resampled(512, 512)


def outro_banner():
    c = Canvas(640, 120)  # the top quarter of the window, squeezed to 512x128 at the end
    hay_band(c, 0, 104, seed=9)
    c.rect(0, 0, 640, 3, GOLD)
    c.rect(0, 101, 640, 104, GOLD)
    rng = random.Random(10)
    for x in range(0, 640, 3):  # straw fringe hanging under the band
        c.rect(x, 104, x + 2, 104 + rng.randrange(3, 16), shade(STRAW, rng.uniform(0.6, 1.0)))
    draw_text(c, 'YOU FOUND THE NEEDLE!', 16, 4, vertical_gradient((255, 250, 0), (255, 120, 0), 16, 44), border=3, shadow=4)
    draw_text(c, 'ESC QUITS', 64, 3, WHEAT)
    return c.resampled(512, 128)

# ---------------------------------------------------------------- synthesiser

RATE = 44100         # samples per second
TABLE = 4096         # samples in one wavetable cycle
GUARD_HZ = 20        # no partial may come this close to another track's signature pitch
DRONE_VOL = 0.18     # level of the signature drone, before normalising
PEAK = 0.8           # final peak level as a fraction of full scale
SIGNATURES = {'intro': 196.0, 'theme': 294.0, 'outro': 440.0}  # Hz, one steady drone per track
NOTE_STEPS = {'C': 0, 'C#': 1, 'D': 2, 'D#': 3, 'E': 4, 'F': 5, 'F#': 6, 'G': 7, 'G#': 8, 'A': 9, 'A#': 10, 'B': 11}
# partial amplitudes, attack/decay/release in seconds, sustain level, fraction of the note's length held
INSTRUMENTS = {
    'pluck': ((1, .35, .12, .05), .004, .40, .15, .30, .9),
    'flute': ((1, .25, .08), .080, .20, .75, .25, .95),
    'reed': ((1, .1, .45, .05, .2, 0, .08), .010, .10, .60, .06, .75),
    'brass': ((1, .7, .5, .35, .22, .14, .08), .025, .10, .70, .08, .85),
    'bass': ((1, .45, .15, .05), .008, .25, .55, .10, .9),
}


def frequency(name):
    """'A4' -> 440.0 Hz (equal temperament)."""
    midi = 12 * (int(name[-1]) + 1) + NOTE_STEPS[name[:-1]]
    return 440.0 * 2 ** ((midi - 69) / 12)


@lru_cache(maxsize=None)
def wavetable(freq, partials, avoid):
    """One cycle of the note, dropping any partial that would blur another track's signature."""
    keep = [(k, a) for k, a in enumerate(partials, 1)
            if a and k * freq < 12000 and all(abs(k * freq - s) > GUARD_HZ for s in avoid)]
    if not keep or keep[0][0] != 1:
        raise ValueError(f'{freq:.1f} Hz is too close to a signature pitch of another track')
    return [sum(a * math.sin(2 * math.pi * k * i / TABLE) for k, a in keep) for i in range(TABLE)]


def envelope(attack, decay, sustain, release, held):
    """ADSR gain per sample; ends at exactly zero."""
    a, d, r = (max(1, int(t * RATE)) for t in (attack, decay, release))
    env = [i / a for i in range(min(a, held))]
    env += [1 - (1 - sustain) * i / d for i in range(min(d, held - len(env)))]
    env += [sustain] * (held - len(env))
    last = env[-1] if env else 0.0
    return env + [last * (1 - i / r) for i in range(1, r + 1)]


def add_note(buf, start, length, name, instrument, vol, avoid):
    partials, attack, decay, sustain, release, hold = INSTRUMENTS[instrument]
    env = envelope(attack, decay, sustain, release, int(length * hold))
    if start + len(env) >= len(buf):
        raise ValueError(f'{name} at sample {start} rings past the loop point')
    table, step, phase = wavetable(frequency(name), partials, avoid), frequency(name) * TABLE / RATE, 0.0
    for i, e in enumerate(env):
        buf[start + i] += vol * e * table[int(phase) & (TABLE - 1)]
        phase += step


def play(buf, score, instrument, vol, beat, avoid):
    """score: 'E5:1/2 A4+C#5:1 R:1' - notes or chords joined by '+', length in beats, R for a rest."""
    t = Fraction(0)
    for token in score.split():
        names, beats = token.split(':')
        for name in names.split('+') if names != 'R' else ():
            add_note(buf, round(t * beat), round(Fraction(beats) * beat), name, instrument, vol, avoid)
        t += Fraction(beats)


def arpeggio(voicings, pattern, step):
    """Walk each chord voicing in the given order of indices, one note every `step` beats."""
    return ' '.join(f'{chord.split()[i]}:{step}' for chord in voicings for i in pattern)


def render(track, beat, beats, parts):
    """Mix the parts over the signature drone; the length holds a whole number of drone cycles."""
    drone = SIGNATURES[track]
    avoid = tuple(f for name, f in SIGNATURES.items() if name != track)
    n = beat * beats
    assert abs(n * drone / RATE - round(n * drone / RATE)) < 1e-9, 'drone must complete whole cycles'
    buf = [DRONE_VOL * math.sin(2 * math.pi * drone * i / RATE) for i in range(n)]
    for instrument, vol, score in parts:
        play(buf, score, instrument, vol, beat, avoid)
    gain = PEAK / max(abs(s) for s in buf)
    return array('h', (int(round(s * gain * 32767)) for s in buf))


def intro_music():  # calm G major arpeggios, 84 bpm
    chords = ('G3 B3 G4 B4 D5', 'E3 B3 G4 B4 E5', 'C4 E4 G4 C5 E5', 'D3 F#3 A3 F#4 D5',
              'G3 B3 G4 B4 D5', 'E3 B3 G4 B4 E5', 'A3 C4 E4 C5 E5', 'D3 F#3 A3 F#4 D5',
              'C4 E4 G4 C5 E5', 'D3 F#3 A3 F#4 D5', 'G3 B3 G4 B4 D5')
    tune = ('B5:3 A5:1 G5:2 E5:2 G5:3 E5:1 F#5:4 B5:2 D6:2 E6:2 B5:2 C6:2 A5:2 F#5:2 A5:2 '
            'G5:2 E5:2 F#5:2 A5:2 G5:4 R:4')
    bass = 'G2:4 E2:4 C3:4 D3:4 G2:4 E2:4 A2:4 D3:4 C3:4 D3:4 G2:4 G2:2 R:2'
    return render('intro', 225 * 140, 48, [  # a beat is 140 cycles of the 196 Hz drone (225 samples each)
        ('pluck', 0.16, arpeggio(chords, (0, 1, 2, 3, 4, 3, 2, 1), '1/2') + ' G3:1/2 B3:1/2 G4:1/2 B4:1/2 G4:1/2'),
        ('flute', 0.13, tune), ('bass', 0.15, bass)])


def theme_music():  # walking tune in D major, about 112 bpm
    tune = ('F#5:1 A5:1 D6:1 A5:1 B5:3/2 A5:1/2 G5:1 B5:1 A5:1 E5:1 C#6:1 A5:1 D6:2 R:1 A5:1/2 B5:1/2 '
            'B5:1 F#5:1 D5:1 F#5:1 G5:1 B5:1 D6:1 B5:1 G#5:1 B5:1 E6:1 D6:1 C#6:2 B5:1 A5:1 '
            'B5:1 G5:1/2 B5:1/2 D6:1 B5:1 A5:1 F#5:1/2 A5:1/2 D6:2 G5:1 B5:1 E6:1 G5:1 '
            'E5:1/2 F#5:1/2 G5:1/2 A5:1/2 C#6:1 E6:1 D6:3/2 C#6:1/2 B5:1 A5:1 B5:1 D6:1 G5:1 B5:1 '
            'A5:1 C#6:1 E6:1 C#6:1 D6:2 R:2')
    bass = ('D2 F#2 A2 B2 G2 B2 D3 B2 A2 C#3 E3 C#3 D2 E2 F#2 A2 B2 D3 F#2 A2 G2 A2 B2 D3 '
            'E2 G#2 B2 D3 A2 E2 A2 C#3 G2 B2 D3 E3 D2 A2 F#2 A2 E2 G2 B2 E3 A2 C#3 E3 A2 '
            'D2 F#2 A2 B2 G2 A2 B2 C#3 A2 E2 C#3 A2').split()
    return render('theme', 150 * 157, 64, [  # a beat is 157 cycles of the 294 Hz drone (150 samples each)
        ('reed', 0.2, tune), ('bass', 0.26, ' '.join(f'{n}:1' for n in bass) + ' D2:2 R:2')])


def outro_music():  # bright A major fanfare, 120 bpm
    tune = ('E5:1/2 A5:1/2 C#6:1/2 E6:5/2 D6:1/3 D6:1/3 D6:1/3 F#6:1 E6:1 D6:1 C#6:1 A5:1 E5:1 A5:1 B5:3 R:1 '
            'E5:1/2 A5:1/2 C#6:1/2 E6:5/2 F#6:1 E6:1/2 D6:1/2 C#6:1 D6:1 E6:1/3 E6:1/3 E6:1/3 D6:1 B5:1 G#5:1 '
            'A5:3 R:1 C#6:1 A5:1 F#5:1 A5:1 D6:1 F#6:1 A6:2 G#6:1 F#6:1/2 E6:1/2 D6:1 B5:1 A5:2 R:2')
    stabs = ' '.join(f'{c}:1 R:1 {c}:1 R:1' for c in
                     ('A4+C#5+E5', 'F#4+A4+D5', 'A4+C#5+E5', 'E4+G#4+B4') * 2 +
                     ('F#4+A4+C#5', 'F#4+A4+D5', 'E4+G#4+B4')) + ' A4+C#5+E5:1 R:3'
    bass = ' '.join(f'{lo}:1 {hi}:1 {lo}:1 {hi}:1' for lo, hi in
                    (('A2', 'A3'), ('D2', 'D3'), ('A2', 'E3'), ('E2', 'E3')) * 2 +
                    (('F#2', 'C#3'), ('D2', 'D3'), ('E2', 'E3'))) + ' A2:2 R:2'
    # 2205 samples hold exactly 22 cycles of the 440 Hz drone
    return render('outro', 2205 * 10, 48, [('brass', 0.2, tune), ('brass', 0.05, stabs), ('bass', 0.22, bass)])

# ---------------------------------------------------------------- output


def write_mp3(path, samples):
    """Write a mono 16-bit WAV to a temporary file and encode it with lame at a constant bit rate."""
    fd, wav_path = tempfile.mkstemp(suffix='.wav')
    os.close(fd)
    try:
        with wave.open(wav_path, 'wb') as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            if sys.byteorder == 'big':
                samples.byteswap()  # WAV data is little-endian
            w.writeframes(samples.tobytes())
        subprocess.run(['lame', '--quiet', '--noreplaygain', '-m', 'm', '-b', '80', wav_path, path], check=True)
    finally:
        os.remove(wav_path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'data')
    os.makedirs(out, exist_ok=True)
    for name, make in (('fencea', fence), ('clouda', cloud), ('introa', intro_card), ('outroa', outro_banner)):
        write_tga(os.path.join(out, name + '.tga'), make())
    for name, make in (('intro', intro_music), ('theme', theme_music), ('outro', outro_music)):
        write_mp3(os.path.join(out, name + '.mp3'), make())


if __name__ == '__main__':
    main()
