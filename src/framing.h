// Where the game's 4:3 picture sits in a window of any size, and where a pointer in that
// window points in the picture's own 640x480 coordinates. Free of the windowing and drawing
// libraries, so that every platform's window can use it.
#pragma once

const int PICTURE_WIDTH = 640;  // the picture's own width, game pixels: the window's at scale 1
const int PICTURE_HEIGHT = 480; // and height; the picture is always 4:3
const float HALF_PICTURE_WIDTH = PICTURE_WIDTH / 2.0f;   // from the picture's edge to its middle
const float HALF_PICTURE_HEIGHT = PICTURE_HEIGHT / 2.0f; // likewise, from its top

// The picture's place in a window: the largest 4:3 rectangle that fits, centred, with
// black bars on the two sides (or above and below) that it leaves.
struct Framing {
    int left, top;     // the picture's top left corner, window pixels from the window's top left
    int width, height; // its size, window pixels; 4:3 to within a pixel
    int bottom;        // window pixels from the window's bottom edge up to the picture (OpenGL's y)
    float scale;       // window pixels per game pixel
};

// The picture's place in a window_width x window_height window (both at least 1).
Framing frame_picture(int window_width, int window_height);

// Where the pointer at window pixel (x, y) points in the picture, in game pixels 0..640 across
// and 0..480 down, as fractions; a pointer over a bar points at the picture's nearest edge.
void pointer_in_picture(const Framing &framing, float x, float y, float *game_x, float *game_y);

// The largest whole scale 1.. whose window, scale times 640x480, fits in a work area of
// area_width x area_height pixels; 1 when even 640x480 does not fit.
int largest_fitting_scale(int area_width, int area_height);
