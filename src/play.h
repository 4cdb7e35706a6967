// The game's logic: the attract orbit, walking, the shot and the win.
#pragma once

// One logic tick, run 30 times a second of game time: after a win, a new field when asked;
// the gamepad's stick steering the aiming cross; the attract orbit until Space, then turning,
// walking, the eye's bob and height, looking down, the fence, the search's time, and the shot.
void tick_update();

// Whether the needle glints now: with the glint on, for a moment every two seconds of play.
bool needle_glinting();

// Once a frame, after the ticks: while the player aims (the aim key, a pad's A or the mouse's
// button), the shot is thrown again from the eye toward the cross, with the camera the game
// works out; it flies off when the aim is let go.
void throw_if_asked();

// Places the shot one step ahead of the eye on the ray through the cursor at (cursor_x,
// cursor_y) in the picture's 640x480 game pixels, fractions kept, for the camera given as a
// column-major modelview matrix.
void throw_shot(float cursor_x, float cursor_y, const float camera[16]);

// Moves the shot on by one tick's flight; a pass within the hit radius of the target's
// midpoint starts, or restarts, the won stage and its music; the first ends the search.
void move_shot_and_check_hit();

// After a hit: turns the next slice of strand colours from yellow-brown to green; run once
// a frame.
void recolour_step();
