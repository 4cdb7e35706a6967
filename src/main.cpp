// Program entry: the command line and the kept settings; start-up of window, audio, gamepads,
// input, timer, world and pictures; the fixed-step main loop as its recipe; shutdown.
#include <allegro.h>
#include <alleggl.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "command_line.h"
#include "controls.h"
#include "desktop.h"
#include "endings.h"
#include "files.h"
#include "game_state.h"
#include "gamepad.h"
#include "input.h"
#include "kept_file.h"
#include "music.h"
#include "options_screen.h"
#include "picture.h"
#include "play.h"
#include "render.h"
#include "replay.h"
#include "replays.h"
#include "rounds.h"
#include "sending.h"
#include "settings.h"
#include "window.h"

const int MIX_RATE = 44100;     // audio mixing rate, Hz
const int MIX_CHANNELS = 32;    // software mixing channels
const int BAD_COMMAND_LINE = 2; // exit status for an option the game cannot take
const int WINDOW_REFUSED = -1;  // exit status when the window could not be opened

// Timer callback, 30 times a second: owes the main loop one more tick.
static void timer_tick() {
    pending_ticks++;
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

// The audio output at the volume chosen, and the three tracks; the intro starts at once.
static void start_music() {
    music_init(MIX_RATE, MIX_CHANNELS);
    apply_music_setting();
    theme_stream = music_open("theme.mp3");
    intro_stream = music_open("intro.mp3");
    outro_stream = music_open("outro.mp3");
    music_play(intro_stream);
}

// Keyboard, timer and mouse, and the presses latched between reads.
static void install_input() {
    install_keyboard();
    install_timer();
    install_mouse();
    install_input_latches();
}

// Brings the gamepads and the pointer up to date (a watched replay has the cross where it had
// it), then what the player asks of the options screen, which while it is open takes the input,
// and of a replay.
static void read_input() {
    poll_gamepads();
    if (!watching)
        follow_pointer();
    watch_options_screen();
    if (!options_open)
        answer_watch_keys();
}

// Runs every tick owed, none while the options screen is open; a tick that made a new field
// hands its strands to OpenGL at once.
static void run_owed_ticks() {
    if (options_open)
        pending_ticks = 0;                   // the game stands still while the screen is open
    static long worlds_handed = worlds_made; // the world OpenGL was last handed
    while (pending_ticks > 0) {
        tick_update();
        pending_ticks--;
    }
    if (worlds_made != worlds_handed) // a new field, or a replay's
        hand_strands_to_gl();
    worlds_handed = worlds_made;
}

// What the desktop asks of the game between frames: a won numbered field's line to share, and
// the clipboard holding it; the search sent to the board, and its answer; how far the game has
// got (for a browser's page); and the display the player switched to.
static void answer_desktop() {
    char line[SHARE_LINE_SIZE];
    if (take_line_to_share(line, sizeof line))
        give_line_to_share(line);
    keep_line_to_share_offered();
    follow_board_send();
    report_progress_to_page();
    switch_display_if_asked();
    show_display_chosen(true);
}

// Whether the game ends: Escape (or a gamepad's Back and Start, or the page's End), the close
// button or a quit signal. An Escape press is kept until the loop looks, however briefly the
// key was down.
static bool quitting() {
    return quit_asked() || close_button_was_pressed() || quit_signalled();
}

// The game, a turn of the loop at a time, until it is quit.
static void run_main_loop() {
    for (;;) {
        read_input();
        run_owed_ticks();
        if (!options_open) // the game stands still while the screen is open
            recolour_step();
        render_frame();
        allegro_gl_flip();
        answer_desktop();
        if (quitting())
            return;
    }
}

// --verify's answer for the files the player named, each looked for where the player was.
static int verify_named_files(int count, const char *const *named) {
    std::vector<std::string> paths(count);
    std::vector<const char *> opened(count);
    for (int i = 0; i < count; i++) {
        char path[MAX_PATH_LENGTH];
        paths[i] = path_as_given(named[i], path, sizeof path) ? path : named[i];
        opened[i] = paths[i].c_str();
    }
    return verify_replay_files(count, opened.data(), named, script_output());
}

// The replay --replay names, read before anything starts; false, after one line saying why, when
// it is none the game can play.
static bool read_replay_to_watch(const char *named, Replay *replay) {
    char path[MAX_PATH_LENGTH];
    std::string why;
    if (path_as_given(named, path, sizeof path) && read_replay_file(path, replay, &why))
        return true;
    char text[MAX_PATH_LENGTH + 200];
    std::snprintf(text, sizeof text, "haystack: %s: %s\n", named,
                  why.empty() ? "too long a name" : why.c_str());
    show_text(text, true);
    return false;
}

int main(int argc, char **argv) {
    CommandLine options = read_command_line(argc, argv);
    if (options.outcome == COMMAND_VERIFY)
        return verify_named_files(options.verifies, options.verify);
    if (options.outcome != COMMAND_PLAY)
        return answer_command_line(options);
    static Replay replay; // the one --replay names
    if (options.replay && !read_replay_to_watch(options.replay, &replay))
        return BAD_COMMAND_LINE;
    if (!choose_settings(options))
        return BAD_COMMAND_LINE;
    read_best_times();
    if (!open_window())
        return WINDOW_REFUSED;
    rest(0); // the start's longer steps apart: a browser's page answers between them
    if (options.scale || options.fullscreen)
        keep_settings();
    start_music();
    start_gamepads();
    install_input();
    install_endings();
    set_fixed_gl_state();
    install_int_ex(timer_tick, BPS_TO_TIMER(TICKS_PER_SECOND));
    seed_field(options.daily ? field_of_the_day(std::time(nullptr)) : options.field);
    if (options.replay)
        seed_replay_field(replay.field, replay.generator, replay.seed);
    enable_texturing();
    rest(0);
    make_field_world();
    rest(0);
    set_sky_colour();
    hand_strands_to_gl();
    load_game_pictures();
    enable_cut_out_pictures();
    show_display_chosen(false);
    rest(0);
    if (options.replay)
        watch_replay(replay);

    run_main_loop();
    close_window();
    end_by_quit_signal();
    return 0;
}
END_OF_MAIN()
