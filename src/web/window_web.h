// The browser's window beyond the windowing library's interface (allegro_web.cpp): the pointer in
// the canvas's pixels, a finger as the mouse's left button, and a say in which keys the page
// leaves alone.
#pragma once

// Where the mouse or the aiming finger was last seen on the page, in the canvas's drawing
// pixels now from its top left corner; outside the canvas, beyond its edges.
void pointer_in_canvas(int *x, int *y);

// A finger as the mouse's left button, at page position (x, y), CSS pixels from the viewport's
// top left: put down it presses the button there, moved it drags the pointer there with the
// button held, lifted it lets go there; and a click there presses the button once, leaving the
// buttons held as they were. Nothing once the window has closed.
void press_pointer_at(double x, double y);
void drag_pointer_to(double x, double y);
void release_pointer_at(double x, double y);
void click_pointer_at(double x, double y);

// Whether a key of the game's, going down or up, is the program's alone, so that the page does
// nothing with it (no scrolling, no moving the focus); keys pressed with Control or Meta are the
// browser's shortcuts whatever it says. Until it is given, no key is kept from the page.
void keep_keys_from_page(bool (*kept)(int scancode));
