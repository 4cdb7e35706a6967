// Finding a window on an X display from outside the program that opened it.
#pragma once

#include <X11/Xlib.h>

// A viewable window of that size (0: any) and title (nullptr: any), top-level or, when no
// top-level one is, inside a window manager's frame; 0 if none.
Window find_window(Display *dpy, int width, int height, const char *title);
