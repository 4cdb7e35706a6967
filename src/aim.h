// The aiming cross, in the picture's 640x480 game pixels with fractions kept: where the mouse's
// pointer or the gamepad's right stick last put it, whichever moved last, so the two never
// fight. The stick's cross stands until the pointer moves again.
#pragma once

#include "framing.h"

// The pointer's place this frame, window pixels from the window's inside's top left, in a
// window framed as `framing` says: the cross goes to it if it moved since the last frame's
// (and on the first frame); a pointer over a bar aims at the picture's nearest edge.
void aim_at_pointer(int window_x, int window_y, const Framing &framing);

// Moves the cross by (dx, dy) game pixels, held within the picture, 0..640 across and 0..480
// down; no move leaves it where it is, following the pointer.
void steer_cross(float dx, float dy);

// Puts the cross at (x, y) game pixels, as a replay had it.
void place_cross(float x, float y);

// Where the cross is now, game pixels.
float cross_x();
float cross_y();
