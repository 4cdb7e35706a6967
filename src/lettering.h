// The game's lettering: words over the picture in the 5x7 capitals of its title card, drawn
// with OpenGL in window coordinates, for the options screen and anything else that writes.
#pragma once

#include "framing.h"

const int GLYPH_WIDTH = 5;                 // a glyph's width in font pixels; 7 rows high
const int GLYPH_HEIGHT = 7;                // a glyph's height in font pixels
const int GLYPH_ADVANCE = GLYPH_WIDTH + 1; // from one glyph to the next, a blank column between

// Draws `text` in the current colour with its top left corner at (x, y), game pixels of the
// 640x480 picture, each font pixel `size` game pixels square; lowercase letters as capitals,
// characters without a glyph as blanks. Call after the frame's return to window coordinates.
void draw_text(const char *text, float x, float y, float size);

// The width `text` takes at `size`, game pixels.
float text_width(const char *text, float size);

// Fills a rectangle of the picture, game pixels, in the current colour.
void fill_rectangle(float left, float top, float right, float bottom);
