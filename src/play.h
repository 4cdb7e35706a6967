// The game's logic: the attract orbit, walking, the shot and the win.
#pragma once

// One logic tick, run 30 times a second of game time.
void tick_update();

// Places the shot one step ahead of the eye on the ray through the cursor at window
// pixel (mouse_x, mouse_y); reads the camera from the current modelview matrix.
void throw_shot(int mouse_x, int mouse_y);

// After a hit: turns the next slice of strand colours; run once a frame.
void recolour_step();
