// The aiming cross: the pointer's place or the stick's, whichever moved last.
#include "aim.h"

#include <algorithm>

static float at_x = 0, at_y = 0;                   // the cross, game pixels
static int last_pointer_x = 0, last_pointer_y = 0; // the pointer as last seen, window pixels
static bool pointer_seen = false;                  // whether a frame has seen the pointer yet

void aim_at_pointer(int window_x, int window_y, const Framing &framing) {
    if (pointer_seen && window_x == last_pointer_x && window_y == last_pointer_y)
        return;
    pointer_seen = true;
    last_pointer_x = window_x;
    last_pointer_y = window_y;
    pointer_in_picture(framing, window_x, window_y, &at_x, &at_y);
}

void steer_cross(float dx, float dy) {
    at_x = std::clamp(at_x + dx, 0.0f, float(PICTURE_WIDTH));
    at_y = std::clamp(at_y + dy, 0.0f, float(PICTURE_HEIGHT));
}

void place_cross(float x, float y) {
    at_x = x;
    at_y = y;
}

float cross_x() {
    return at_x;
}

float cross_y() {
    return at_y;
}
