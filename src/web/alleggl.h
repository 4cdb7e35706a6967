// The browser's OpenGL window: the part of the windowing library's OpenGL add-on the game uses,
// over a WebGL 2 context on the page's canvas (allegro_web.cpp).
#pragma once

#include <GL/gl.h>

// Framebuffer attributes the game asks for; in the browser each is only a wish.
enum {
    AGL_COLOR_DEPTH = 0x20,
    AGL_DOUBLEBUFFER = 0x400,
    AGL_Z_DEPTH = 0x2000,
    AGL_WINDOWED = 0x80000,
    AGL_SUGGEST = -1
};

extern char allegro_gl_error[256]; // why the OpenGL window could not be opened

int install_allegro_gl();
void allegro_gl_clear_settings();
void allegro_gl_set(int option, int value);
// Shows the frame: waits for the browser's next animation frame (while the tab is hidden, for
// its return), the browser drawing the frame and taking the player's input meanwhile.
void allegro_gl_flip();
