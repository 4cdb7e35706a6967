// The game's page from the game's side: the page's Options, End and Watch buttons ask for the
// options screen, the end and the search watched, its touch stick, Look down and New field
// buttons do the game's actions, and fingers on the picture click, start or aim by the game's
// stage; the page leaves the keys the game reads to it, learns the game's stage, which shows and
// hides its controls, and is told how each search ends, for its live region.
#include "page_web.h"

#include <allegro.h>
#include <emscripten.h>
#include <cstdio>

#include "controls.h"
#include "game_state.h"
#include "options_screen.h"
#include "replays.h"
#include "rounds.h"
#include "window_web.h"
#include "world.h"

const int NO_ACTION = -1;      // the page named no action the game has
const int NO_FINGER = -1;      // no finger aims
const int WORLD_HEX_SIZE = 17; // bytes for a world's fingerprint in hex, its end included
const int ALWAYS_READ[] = {    // keys read whatever is bound: Escape ends, Space starts, and the
                               // arrows and Enter work the options screen
    KEY_ESC, KEY_SPACE, KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_ENTER, KEY_ENTER_PAD};
enum { FINGER_DOWN, FINGER_MOVED, FINGER_UP }; // what a finger on the canvas did

static int aiming_finger = NO_FINGER; // the finger that aims, by the page's number for it
static long ticks_given;              // ticks of game time given to the game before the last
                                      // frame's: run, or passed over while the options showed

// The page's Options button was used.
extern "C" EMSCRIPTEN_KEEPALIVE void ask_for_options() {
    make_page_request(PAGE_OPTIONS);
}

// The page's End button was used, and the player said yes.
extern "C" EMSCRIPTEN_KEEPALIVE void ask_to_end() {
    make_page_request(PAGE_QUIT);
}

// The page's Watch button was used after a win.
extern "C" EMSCRIPTEN_KEEPALIVE void ask_to_watch() {
    make_page_request(PAGE_WATCH);
}

// A control of the page's does `action` (`down` non-zero) or stops. Look down put down on the
// title card begins play, as a tap on the card does and as its key, Space, always has.
extern "C" EMSCRIPTEN_KEEPALIVE void hold_action(int action, int down) {
    if (down && action == ACTION_LOOK && intro_active)
        make_page_request(PAGE_START);
    hold_page_action(action, down);
}

// Lets the page's controls do the game's actions by their names in the settings file,
// Module.holdAction('forward', true) and false to stop, open the options screen,
// Module.askForOptions(), end the game, Module.endGame(), and watch the search after a win,
// Module.watchSearch().
// clang-format off
EM_JS(void, offer_action_to_page, (const char *name, int action, int none), {
    Module.gameActions = Module.gameActions || {};
    Module.gameActions[UTF8ToString(name)] = action;
    Module.holdAction = (name, down) => Module._hold_action(
        name in Module.gameActions ? Module.gameActions[name] : none, down ? 1 : 0);
    Module.askForOptions = () => Module._ask_for_options();
    Module.endGame = () => Module._ask_to_end();
    Module.watchSearch = () => Module._ask_to_watch();
});
// clang-format on

// The finger the page numbers `finger` aims: it holds the left button with the pointer under
// it, at page position (x, y), and lifting it lets go, which throws. Any other finger does
// nothing while one aims.
static void aim_with_finger(int type, int finger, double x, double y) {
    if (type == FINGER_DOWN && aiming_finger == NO_FINGER)
        aiming_finger = finger;
    if (finger != aiming_finger)
        return;
    if (type == FINGER_DOWN)
        press_pointer_at(x, y);
    else if (type == FINGER_MOVED)
        drag_pointer_to(x, y);
    else
        release_pointer_at(x, y);
    if (type == FINGER_UP)
        aiming_finger = NO_FINGER;
}

// A finger of the page's touch events on the canvas, `finger` its number, at page position
// (x, y). While the options screen is open a finger put down clicks where it is, choosing the
// entry under it; on the title card a finger put down starts play; in play the first finger
// down aims.
extern "C" EMSCRIPTEN_KEEPALIVE void take_finger(int type, int finger, double x, double y) {
    if (type == FINGER_DOWN && options_open)
        click_pointer_at(x, y);
    else if (type == FINGER_DOWN && intro_active)
        make_page_request(PAGE_START);
    else
        aim_with_finger(type, finger, x, y);
}

// The page's touch events on the canvas, with their places in fractions of a CSS pixel, handed
// to the game; a finger on the canvas neither scrolls nor zooms the page.
// clang-format off
EM_JS(void, listen_to_fingers, (int down, int moved, int up), {
    const canvas = Module.canvas;
    const finger = type => e => {
        e.preventDefault();
        for (const t of e.changedTouches)
            Module._take_finger(type, t.identifier, t.clientX, t.clientY);
    };
    canvas.addEventListener('touchstart', finger(down), {passive : false});
    canvas.addEventListener('touchmove', finger(moved), {passive : false});
    canvas.addEventListener('touchend', finger(up), {passive : false});
    canvas.addEventListener('touchcancel', finger(up), {passive : false});
});
// clang-format on

// Whether the key, going down or up, is the game's alone: a key bound to an action, a key the
// game always reads (Escape, Space, the arrows, Enter), or any key the options screen may bind
// while it is open.
static bool key_kept_from_page(int scancode) {
    for (int always : ALWAYS_READ)
        if (scancode == always)
            return true;
    if (options_open && key_name(scancode))
        return true;
    for (int action = 0; action < ACTIONS; action++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (key_bindings[action][k] == scancode)
                return true;
    return false;
}

void offer_game_to_page() {
    for (int action = 0; action < ACTIONS; action++)
        offer_action_to_page(action_name(action), action, NO_ACTION);
    listen_to_fingers(FINGER_DOWN, FINGER_MOVED, FINGER_UP);
    keep_keys_from_page(key_kept_from_page);
}

// Tells the page the game's stage, `stage`, for its controls (Module.onStage), with whether a
// search can be watched (`watchable`, after a win), and, for tests, the field's number (0 for
// one the clock chose) and the world's fingerprint.
// clang-format off
EM_JS(void, tell_page_stage, (const char *stage, int watchable, long field, const char *world), {
    const data = Module.canvas.dataset;
    data.stage = UTF8ToString(stage);
    data.field = field;
    data.world = UTF8ToString(world);
    if (Module.onStage)
        Module.onStage(data.stage, watchable !== 0);
});
// clang-format on

// The game's stage, when it has changed since the page was last told, or the world has: a
// replay watched is "replay" until it finds the needle, then "won".
static void report_stage() {
    static const char *told;           // the stage the page was last told of; null for none
    static bool watchable_told;        // and whether a search could be watched then
    static long world_told = -1;       // the world, by worlds_made, whose fingerprint it has
    static char world[WORLD_HEX_SIZE]; // that fingerprint, 16 hex digits
    bool won = win_phase != WIN_PLAYING, watchable = search_to_watch();
    const char *stage = options_open       ? "options"
                        : watching && !won ? "replay"
                        : intro_active     ? "title"
                        : won              ? "won"
                                           : "play";
    if (world_told != worlds_made) {
        std::snprintf(world, sizeof world, "%016llx", world_digest());
        world_told = worlds_made;
        told = nullptr;
    }
    if (stage != told || watchable != watchable_told)
        tell_page_stage(stage, watchable, field_number, world);
    told = stage;
    watchable_told = watchable;
}

// Tells the page how a search ended, `line`, for its live region (Module.onResult).
// clang-format off
EM_JS(void, tell_page_result, (const char *line), {
    if (Module.onResult)
        Module.onResult(UTF8ToString(line));
});
// clang-format on

// Once a world's search has found the needle, the page is told so, once: "Found in 0:41.3", or
// for a replay watched "Replay: found in 0:41.3", the time as the banner shows it.
static void report_result() {
    static long world_told = -1; // the world, by worlds_made, whose end the page was told of
    if (win_phase == WIN_PLAYING || world_told == worlds_made)
        return;
    char time[TIME_TEXT_SIZE], line[RESULT_LINE_SIZE];
    format_time(found_ticks, time, sizeof time);
    std::snprintf(line, sizeof line, watching ? "Replay: found in %s" : "Found in %s", time);
    tell_page_result(line);
    world_told = worlds_made;
}

// Tells the page how far the game has got, `ticks` ticks, where the player stands and looks
// (x and z, world units; heading and pitch, radians), and that one more frame was shown.
// clang-format off
EM_JS(void, tell_page_progress, (long ticks, double x, double z, double heading, double pitch), {
    Module.canvas.dataset.ticks = ticks;
    Module.canvas.dataset.view = [x, z, heading, pitch].map(v => v.toFixed(3)).join(',');
    Module.canvas.dataset.frames = (Number(Module.canvas.dataset.frames) || 0) + 1;
});
// clang-format on

// The ticks given to the game up to the frame before this one, which this frame showed; those
// owed since come in the next turn of the main loop.
static void report_progress() {
    tell_page_progress(ticks_given, eye_x, eye_z, heading, pitch);
    ticks_given += pending_ticks;
}

void report_game_to_page() {
    report_stage();
    report_result();
    report_progress();
}
