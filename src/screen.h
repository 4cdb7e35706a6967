// The game's window as the desktop sizes it: the room it may take, fullscreen through the
// window manager and back, and its size now. Each platform has its own file:
// x11/screen_x11.cpp, windows/screen_windows.cpp, web/screen_web.cpp. Called from the main
// loop's thread once the window is open, except where said.
#pragma once

// The desktop's work area (the screen less panels and task bars) in pixels, for a window's
// inside; called after the windowing library has started and before the window opens.
void find_work_area(int *width, int *height);

// Whether the desktop can make the window fullscreen (on X11, whether a window manager
// that offers it is running).
bool fullscreen_offered();

// Asks for the window to cover its monitor without a border, or to come back as it was.
// The size follows a moment later on X11, when the window manager has done it.
void set_fullscreen(bool on);

// The window's inside, in pixels, as it is now.
void read_window_size(int *width, int *height);

// The pointer's place, in pixels from the window's inside's top left corner, as it is now:
// read from the desktop, since the windowing library's own mouse position can miss a move
// to a part of the window beyond the size it opened.
void read_pointer(int *x, int *y);

// Whether the player may choose the window's size and fullscreen in the options screen: on the
// desktop, not in a browser, where the page sizes the game.
bool window_choices_offered();

// Asks for the window's inside to be `width` x `height` pixels, as when it opened at that size.
void set_window_size(int width, int height);
