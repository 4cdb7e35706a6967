// The game's canvas in a browser tab: always the 640x480 picture, which the page itself scales
// into the tab with bars and maps the pointer into; the page's own button makes it fullscreen.
#include "screen.h"

#include <allegro.h>

#include "game_state.h"

void find_work_area(int *width, int *height) {
    *width = WINDOW_WIDTH;
    *height = WINDOW_HEIGHT;
}

bool fullscreen_offered() {
    return false;
}

void set_fullscreen(bool) {}

void read_window_size(int *width, int *height) {
    *width = WINDOW_WIDTH;
    *height = WINDOW_HEIGHT;
}

void read_pointer(int *x, int *y) {
    *x = mouse_x;
    *y = mouse_y;
}
