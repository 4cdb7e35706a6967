// The game's window: its mode and size, fullscreen and back, and the pointer over it.
#include "window.h"

#include <allegro.h>
#include <alleggl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "aim.h"
#include "controls.h"
#include "desktop.h"
#include "framing.h"
#include "screen.h"
#include "settings.h"

const char *const GRAPHICS_ERROR = // the windowing library's reason, then its OpenGL add-on's
    "Error setting OpenGL graphics mode:\n%s\nAllegro GL error : %s\n";
const char *const NO_WINDOWING_SYSTEM = // the reason when no reason was given
    "No windowing system could be started (is DISPLAY set?)";
const char *const WINDOW_TITLE = "Haystack"; // in the window's title bar
const char *const NO_FULLSCREEN =            // when there is no window manager to ask
    "haystack: the desktop offers no fullscreen (is a window manager running?); playing in a "
    "window\n";

static DisplayChoice shown; // the window as it is now: fullscreen or not, and the scale it
                            // was last given
static std::atomic<int> close_pressed{0}; // 1 once the window's close button was pressed
static int pointer_range_width = 0, pointer_range_height = 0; // the mouse's range, window pixels

bool set_opengl_mode(int width, int height) {
    install_allegro_gl();
    allegro_gl_clear_settings();
    allegro_gl_set(AGL_COLOR_DEPTH, 32);
    allegro_gl_set(AGL_Z_DEPTH, 24);
    allegro_gl_set(AGL_WINDOWED, TRUE);
    allegro_gl_set(AGL_DOUBLEBUFFER, 1);
    allegro_gl_set(AGL_SUGGEST, AGL_COLOR_DEPTH | AGL_Z_DEPTH | AGL_DOUBLEBUFFER | AGL_WINDOWED);
    return set_gfx_mode(GFX_OPENGL, width, height, 0, 0) >= 0;
}

// Window close button: quits like Escape.
static void close_button_pressed_now() {
    close_pressed = 1;
}

bool close_button_was_pressed() {
    return close_pressed;
}

// A scaled window no larger than the screen's work area, with a note when it had to shrink;
// the plain 640x480 window is opened as it always was, whatever the screen.
static void fit_scale_to_screen() {
    DisplayChoice &display = settings.display;
    if (display.scale == 1)
        return;
    int width, height;
    find_work_area(&width, &height);
    int largest = largest_fitting_scale(width, height);
    if (display.scale <= largest)
        return;
    std::fprintf(stderr,
                 "haystack: a window %d times 640x480 does not fit the %dx%d screen; "
                 "playing at %d times\n",
                 display.scale, width, height, largest);
    display.scale = largest;
    kept_settings.display.scale = std::min(kept_settings.display.scale, largest);
}

bool open_window() {
    present_game_windows();
    if (allegro_init() != 0) {
        const char *why = allegro_error[0] ? allegro_error : NO_WINDOWING_SYSTEM;
        std::fprintf(stderr, GRAPHICS_ERROR, why, allegro_gl_error);
        return false;
    }
    set_window_title(WINDOW_TITLE);
    fit_scale_to_screen();
    shown = {settings.display.scale, false};
    if (!set_opengl_mode(PICTURE_WIDTH * shown.scale, PICTURE_HEIGHT * shown.scale)) {
        allegro_message(GRAPHICS_ERROR, allegro_error, allegro_gl_error);
        return false;
    }
    set_close_button_callback(close_button_pressed_now);
    return true;
}

// Fullscreen on or off; false, with a note, when the desktop offers no fullscreen.
static bool show_fullscreen(bool on) {
    if (on && !fullscreen_offered()) {
        std::fputs(NO_FULLSCREEN, stderr);
        return false;
    }
    set_fullscreen(on);
    return true;
}

void switch_display_if_asked() {
    if (display_switch_asked())
        settings.display.fullscreen = !settings.display.fullscreen;
}

// The world, the music and the player's place go on as they were: the window and its drawing
// stay the same.
void show_display_chosen(bool keep_switch) {
    DisplayChoice &chosen = settings.display;
    bool switched = chosen.fullscreen != shown.fullscreen && show_fullscreen(chosen.fullscreen);
    if (!switched)
        chosen.fullscreen = shown.fullscreen;
    shown.fullscreen = chosen.fullscreen;
    if (keep_switch && switched && kept_settings.display.fullscreen != chosen.fullscreen) {
        kept_settings.display.fullscreen = chosen.fullscreen;
        keep_settings();
    }
    if (!shown.fullscreen && chosen.scale != shown.scale) {
        set_window_size(PICTURE_WIDTH * chosen.scale, PICTURE_HEIGHT * chosen.scale);
        shown.scale = chosen.scale;
    }
}

// The mouse's buttons count over every pixel of the window, which the windowing library
// limits to the size it opened the window at.
static void let_pointer_reach(int window_width, int window_height) {
    if (!pointer_range_width) { // the range the window was opened with
        pointer_range_width = SCREEN_W;
        pointer_range_height = SCREEN_H;
    }
    if (window_width == pointer_range_width && window_height == pointer_range_height)
        return;
    set_mouse_range(0, 0, window_width - 1, window_height - 1);
    pointer_range_width = window_width;
    pointer_range_height = window_height;
}

void follow_pointer() {
    int window_width, window_height;
    read_window_size(&window_width, &window_height);
    let_pointer_reach(window_width, window_height);
    int x, y;
    read_pointer(&x, &y);
    aim_at_pointer(x, y, frame_picture(window_width, window_height));
}

void close_window() {
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
}
