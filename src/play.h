// The game's logic: the attract orbit, walking, the shot and the win.
#pragma once

// One logic tick, run 30 times a second of game time: after a win, a new field when asked;
// the gamepad's stick steering the aiming cross; the attract orbit until Space, then turning,
// walking, the eye's bob and height, looking down, the fence, the search's time, and the shot.
void tick_update();

// Whether the needle glints now: with the glint on, for a moment every two seconds of play.
bool needle_glinting();

// Places the shot one step ahead of the eye on the ray through the cursor at (cursor_x,
// cursor_y) in the picture's 640x480 game pixels, fractions kept; reads the camera from the
// current modelview matrix.
void throw_shot(float cursor_x, float cursor_y);

// The same throw with the camera given as a column-major modelview matrix, so that the
// aiming can be worked out without a window.
void throw_shot_with_camera(float cursor_x, float cursor_y, const float camera[16]);

// Moves the shot on by one tick's flight; a pass within the hit radius of the target's
// midpoint starts, or restarts, the won stage and its music; the first ends the search.
void move_shot_and_check_hit();

// After a hit: turns the next slice of strand colours from yellow-brown to green; run once
// a frame.
void recolour_step();
