// Program entry: start-up of window, audio, input and timer; the fixed-step main loop; shutdown.
#include <allegro.h>
#include <alleggl.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "desktop.h"
#include "endings.h"
#include "game_state.h"
#include "input.h"
#include "music.h"
#include "picture.h"
#include "play.h"
#include "render.h"
#include "world.h"

const int TICKS_PER_SECOND = 30;   // logic ticks a second of game time
const int MIX_RATE = 44100;        // audio mixing rate, Hz
const int MIX_CHANNELS = 32;       // software mixing channels
const char *const GRAPHICS_ERROR = // the windowing library's reason, then its OpenGL add-on's
    "Error setting OpenGL graphics mode:\n%s\nAllegro GL error : %s\n";
const char *const NO_WINDOWING_SYSTEM = // the reason when no reason was given
    "No windowing system could be started (is DISPLAY set?)";
const char *const WINDOW_TITLE = "Haystack"; // in the window's title bar

static std::atomic<int> quit_requested{0}; // 1 once the window was closed

// Timer callback, 30 times a second: owes the main loop one more tick.
static void timer_tick() {
    pending_ticks++;
}

// Window close button: quits like Escape.
static void close_button_pressed() {
    quit_requested = 1;
}

// The game's title on its window, given before the window opens.
static void title_window() {
    set_window_title(WINDOW_TITLE);
}

// The windowing library, its OpenGL add-on and the 640x480 window. False when the
// window could not be opened, after saying why: in a message box, or on standard error
// when the windowing library itself could not start.
static bool open_window() {
    present_game_windows();
    if (allegro_init() != 0) {
        const char *why = allegro_error[0] ? allegro_error : NO_WINDOWING_SYSTEM;
        std::fprintf(stderr, GRAPHICS_ERROR, why, allegro_gl_error);
        return false;
    }
    title_window();
    if (!set_opengl_mode()) {
        allegro_message(GRAPHICS_ERROR, allegro_error, allegro_gl_error);
        return false;
    }
    return true;
}

// The audio output and the three tracks; the intro starts at once.
static void start_music() {
    music_init(MIX_RATE, MIX_CHANNELS);
    theme_stream = music_open("theme.mp3");
    intro_stream = music_open("intro.mp3");
    outro_stream = music_open("outro.mp3");
    music_play(intro_stream);
}

// Keyboard, timer and mouse, and the ways to quit.
static void install_input() {
    install_keyboard();
    install_timer();
    install_mouse();
    install_input_latches();
    set_close_button_callback(close_button_pressed);
}

// Runs every owed tick, then draws one frame; until Escape, the close button or a quit signal.
// An Escape press is kept until the loop looks, however briefly the key was down.
static void run_main_loop() {
    for (;;) {
        while (pending_ticks > 0) {
            tick_update();
            pending_ticks--;
        }
        render_frame();
        if (key_down(KEY_ESC) || quit_requested || quit_signalled())
            return;
    }
}

int main() {
    if (!open_window())
        return -1;
    start_music();
    install_input();
    install_endings();
    set_fixed_gl_state();
    install_int_ex(timer_tick, BPS_TO_TIMER(TICKS_PER_SECOND));
    std::srand(std::time(nullptr));
    enable_texturing();
    generate_world();
    set_sky_colour();
    hand_strands_to_gl();
    load_game_pictures();
    enable_cut_out_pictures();
    eye_x = 20.0f;
    eye_z = 20.0f;
    heading = QUARTER_PI;

    run_main_loop();
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    end_by_quit_signal();
    return 0;
}
END_OF_MAIN()
