// Program entry: the command line and the kept settings; start-up of window, audio, gamepads,
// input and timer; the fixed-step main loop with its options screen and its switches to and
// from fullscreen; shutdown.
#include <allegro.h>
#include <alleggl.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>

#include "desktop.h"
#include "endings.h"
#include "framing.h"
#include "game_state.h"
#include "controls.h"
#include "gamepad.h"
#include "input.h"
#include "music.h"
#include "command_line.h"
#include "options_screen.h"
#include "picture.h"
#include "play.h"
#include "render.h"
#include "rounds.h"
#include "screen.h"
#include "settings.h"
#include "world.h"

const int MIX_RATE = 44100;        // audio mixing rate, Hz
const int MIX_CHANNELS = 32;       // software mixing channels
const char *const GRAPHICS_ERROR = // the windowing library's reason, then its OpenGL add-on's
    "Error setting OpenGL graphics mode:\n%s\nAllegro GL error : %s\n";
const char *const NO_WINDOWING_SYSTEM = // the reason when no reason was given
    "No windowing system could be started (is DISPLAY set?)";
const char *const WINDOW_TITLE = "Haystack"; // in the window's title bar
const int BAD_COMMAND_LINE = 2;              // exit status for an option the game cannot take
const char *const NO_FULLSCREEN =            // when there is no window manager to ask
    "haystack: the desktop offers no fullscreen (is a window manager running?); playing in a "
    "window\n";

static std::atomic<int> quit_requested{0}; // 1 once the window was closed
static DisplayChoice shown;                // the window as it is now: fullscreen or not, and
                                           // the scale it was last given

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

// Answers --help or --version, or says what is wrong with the command line; the exit status.
static int answer_command_line(const CommandLine &options) {
    if (options.outcome != COMMAND_BAD) {
        show_text(options.outcome == COMMAND_HELP ? USAGE : VERSION_LINE, false);
        return 0;
    }
    char text[sizeof options.problem + 100];
    std::snprintf(text, sizeof text, "%s%s", options.problem, TRY_HELP);
    show_text(text, true);
    return BAD_COMMAND_LINE;
}

// The settings to play with: those kept from the last game; then the display the command line
// asks for, --scale N a window that size and --fullscreen the whole screen, which are kept
// too; then each --set, for this game alone. False, after saying why, for a --set the game
// cannot take.
static bool choose_settings(const CommandLine &options) {
    if (!settings_path(settings_file, sizeof settings_file))
        settings_file[0] = '\0';
    if (settings_file[0])
        read_settings(settings_file, &kept_settings);
    DisplayChoice &display = kept_settings.display;
    if (options.scale) {
        display.scale = options.scale;
        display.fullscreen = false;
    }
    display.fullscreen = display.fullscreen || options.fullscreen;
    Settings chosen = kept_settings;
    for (int i = 0; i < options.sets; i++) {
        char name[MAX_PATH_LENGTH];
        std::snprintf(name, sizeof name, "%s", options.set[i]);
        char *value = std::strchr(name, '=');
        *value++ = '\0';
        if (!apply_setting(&chosen, name, value)) {
            char text[sizeof name + 200];
            std::snprintf(text, sizeof text, "haystack: invalid setting '%s'\n%s", options.set[i],
                          TRY_HELP);
            show_text(text, true);
            return false;
        }
    }
    use_settings(chosen);
    return true;
}

// The best times kept from earlier games, in their file beside the settings.
static void read_best_times() {
    if (!settings_file[0] ||
        !kept_file_beside(settings_file, "times", times_file, sizeof times_file))
        times_file[0] = '\0';
    if (times_file[0])
        read_times(times_file, &best_times);
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

// The windowing library, its OpenGL add-on and the window, 640x480 times the scale. False
// when the window could not be opened, after saying why: in a message box, or on standard
// error when the windowing library itself could not start.
static bool open_window() {
    present_game_windows();
    if (allegro_init() != 0) {
        const char *why = allegro_error[0] ? allegro_error : NO_WINDOWING_SYSTEM;
        std::fprintf(stderr, GRAPHICS_ERROR, why, allegro_gl_error);
        return false;
    }
    title_window();
    fit_scale_to_screen();
    shown = {settings.display.scale, false};
    if (!set_opengl_mode(WINDOW_WIDTH * shown.scale, WINDOW_HEIGHT * shown.scale)) {
        allegro_message(GRAPHICS_ERROR, allegro_error, allegro_gl_error);
        return false;
    }
    return true;
}

// The audio output at the volume chosen, and the three tracks; the intro starts at once.
static void start_music() {
    music_init(MIX_RATE, MIX_CHANNELS);
    apply_music_setting();
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

// Fullscreen on or off; false, with a note, when the desktop offers no fullscreen.
static bool show_fullscreen(bool on) {
    if (on && !fullscreen_offered()) {
        std::fputs(NO_FULLSCREEN, stderr);
        return false;
    }
    set_fullscreen(on);
    return true;
}

// Alt+Enter or F11 was pressed: the other display.
static void switch_display_if_asked() {
    if (display_switch_asked())
        settings.display.fullscreen = !settings.display.fullscreen;
}

// The window made as the settings now ask, fullscreen or a window of their scale, when it is
// not: at the start, and after Alt+Enter, F11 or the options screen; a switch in play is kept
// for the next game (one at the start is kept already, or asked for by --set alone). Where the
// desktop offers no fullscreen the window stays as it was. The world, the music and the player's
// place go on as they were: the window and its drawing stay the same.
static void show_display_chosen(bool keep_switch) {
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
        set_window_size(WINDOW_WIDTH * chosen.scale, WINDOW_HEIGHT * chosen.scale);
        shown.scale = chosen.scale;
    }
}

// Brings the gamepads up to date, runs every owed tick, then draws one frame; until Escape (or
// a gamepad's Back and Start), the close button or a quit signal. An Escape press is kept until
// the loop looks, however briefly the key was down.
static void run_main_loop() {
    for (;;) {
        poll_gamepads();
        follow_pointer();
        watch_options_screen();
        if (options_open)
            pending_ticks = 0; // the game stands still while the screen is open
        while (pending_ticks > 0) {
            tick_update();
            pending_ticks--;
        }
        render_frame();
        keep_line_to_share_offered();
        switch_display_if_asked();
        show_display_chosen(true);
        if (quit_asked() || quit_requested || quit_signalled())
            return;
    }
}

int main(int argc, char **argv) {
    CommandLine options = read_command_line(argc, argv);
    if (options.outcome != COMMAND_PLAY)
        return answer_command_line(options);
    if (!choose_settings(options))
        return BAD_COMMAND_LINE;
    read_best_times();
    if (!open_window())
        return -1;
    rest(0); // the start's longer steps apart: a browser's page answers between them
    if (options.scale || options.fullscreen)
        keep_settings();
    start_music();
    start_gamepads();
    install_input();
    install_endings();
    set_fixed_gl_state();
    install_int_ex(timer_tick, BPS_TO_TIMER(TICKS_PER_SECOND));
    enable_texturing();
    rest(0);
    begin_field(options.daily ? field_of_the_day(std::time(nullptr)) : options.field);
    rest(0);
    set_sky_colour();
    load_game_pictures();
    enable_cut_out_pictures();
    show_display_chosen(false);
    rest(0);

    run_main_loop();
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    end_by_quit_signal();
    return 0;
}
END_OF_MAIN()
