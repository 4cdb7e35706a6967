// The pointer as the browser's window keeps it (allegro_web.cpp), for the screen's reads.
#pragma once

// Where the mouse or the aiming finger was last seen on the page, in the canvas's drawing
// pixels now from its top left corner; outside the canvas, beyond its edges.
void pointer_in_canvas(int *x, int *y);
