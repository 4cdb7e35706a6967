// The game's window: the windowing library with its OpenGL add-on, the window's mode and size,
// fullscreen and back, and the pointer over it.
#pragma once

// The OpenGL add-on, its framebuffer attributes (32-bit colour, 24-bit depth, double
// buffering, windowed; all suggestions) and the window, width x height pixels (640x480 times
// the scale). False when the mode is refused.
bool set_opengl_mode(int width, int height);

// The windowing library, its OpenGL add-on and the window, 640x480 times the scale the settings
// ask for (no larger than the screen's work area). False when the window could not be opened,
// after saying why: in a message box, or on standard error when the windowing library itself
// could not start.
bool open_window();

// The window made as the settings now ask, fullscreen or a window of their scale, when it is
// not: at the start, and after Alt+Enter, F11 or the options screen; a switch in play is kept
// for the next game when `keep_switch` (one at the start is kept already, or asked for by --set
// alone). Where the desktop offers no fullscreen the window stays as it was.
void show_display_chosen(bool keep_switch);

// Alt+Enter or F11 was pressed: the settings ask for the other display.
void switch_display_if_asked();

// Reads the pointer as a place in the picture, as the window frames it now: the cross goes
// there if the pointer moved. First in each turn of the main loop, so that a click on the
// options screen and a throw both go where the pointer is now.
void follow_pointer();

// Whether the window's close button was pressed.
bool close_button_was_pressed();

// Back to text mode, as the windowing library leaves the display at the end.
void close_window();
