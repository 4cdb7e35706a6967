// The game's lettering: words drawn over the picture in the 5x7 capitals of its title card,
// one quad for each run of lit font pixels in a glyph's row.
#include "lettering.h"

#include <GL/gl.h>
#include <cctype>
#include <cstring>

#include "framing.h"

const int GLYPH_ROWS = 7; // font pixel rows of a glyph, top first

// One glyph: its rows, top first, each GLYPH_WIDTH font pixels, '#' lit and '.' dark.
struct Glyph {
    char letter;      // the character it draws
    const char *rows; // GLYPH_ROWS rows, a space between each
};
static const Glyph GLYPHS[] = {
    // every character the lettering draws; others are blanks
    {' ', "..... ..... ..... ..... ..... ..... ....."},
    {'!', "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.."},
    {'#', ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#."},
    {'%', "##..# ##..# ...#. ..#.. .#... #..## #..##"},
    {'\'', "..#.. ..#.. .#... ..... ..... ..... ....."},
    {'(', "...#. ..#.. .#... .#... .#... ..#.. ...#."},
    {')', ".#... ..#.. ...#. ...#. ...#. ..#.. .#..."},
    {'+', "..... ..#.. ..#.. ##### ..#.. ..#.. ....."},
    {',', "..... ..... ..... ..... .##.. ..#.. .#..."},
    {'-', "..... ..... ..... ##### ..... ..... ....."},
    {'.', "..... ..... ..... ..... ..... .##.. .##.."},
    {'/', "....# ....# ...#. ..#.. .#... #.... #...."},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "##### ...#. ..#.. ...#. ....# #...# .###."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {':', "..... .##.. .##.. ..... .##.. .##.. ....."},
    {'<', "...#. ..#.. .#... #.... .#... ..#.. ...#."},
    {'=', "..... ..... ##### ..... ##### ..... ....."},
    {'>', ".#... ..#.. ...#. ....# ...#. ..#.. .#..."},
    {'?', ".###. #...# ....# ...#. ..#.. ..... ..#.."},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "####. #...# #...# #...# #...# #...# ####."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".###. #...# #.... .###. ....# #...# .###."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# #.#.# .#.#."},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'_', "..... ..... ..... ..... ..... ..... #####"},
};

// The glyph drawing `c`, lowercase letters as capitals; null for a blank.
static const Glyph *glyph_of(char c) {
    c = char(std::toupper((unsigned char)c));
    for (const Glyph &g : GLYPHS)
        if (g.letter == c)
            return &g;
    return nullptr;
}

float text_width(const char *text, float size) {
    int length = int(std::strlen(text));
    return length ? (length * GLYPH_ADVANCE - 1) * size : 0.0f;
}

// A rectangle in game pixels, as a quad in window coordinates (-1..1, y up).
static void game_pixel_quad(float left, float top, float right, float bottom) {
    float x0 = left / HALF_PICTURE_WIDTH - 1, x1 = right / HALF_PICTURE_WIDTH - 1;
    float y0 = 1 - top / HALF_PICTURE_HEIGHT, y1 = 1 - bottom / HALF_PICTURE_HEIGHT;
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

// One glyph's lit runs, row by row, with its top left at (x, y).
static void draw_glyph(const Glyph &g, float x, float y, float size) {
    for (int row = 0; row < GLYPH_ROWS; row++) {
        const char *cells = g.rows + row * (GLYPH_WIDTH + 1);
        for (int col = 0; col < GLYPH_WIDTH; col++) {
            if (cells[col] != '#')
                continue;
            int run = col;
            while (run + 1 < GLYPH_WIDTH && cells[run + 1] == '#')
                run++;
            game_pixel_quad(x + col * size, y + row * size, x + (run + 1) * size,
                            y + (row + 1) * size);
            col = run;
        }
    }
}

void draw_text(const char *text, float x, float y, float size) {
    glBegin(GL_QUADS);
    for (const char *c = text; *c; c++, x += GLYPH_ADVANCE * size)
        if (const Glyph *g = glyph_of(*c))
            draw_glyph(*g, x, y, size);
    glEnd();
}

void fill_rectangle(float left, float top, float right, float bottom) {
    glBegin(GL_QUADS);
    game_pixel_quad(left, top, right, bottom);
    glEnd();
}
