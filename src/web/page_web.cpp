// The page's own controls: its Options button opens and closes the options screen, and its
// touch stick, Look down and New field buttons press the first key bound to their actions, so
// that they follow the player's bindings and the look-down toggle as the keys do. The page
// learns the game's stage, which shows and hides its controls for the fields.
#include "page_controls_web.h"

#include <allegro.h>
#include <emscripten.h>
#include <cstdio>

#include "controls.h"
#include "game_state.h"
#include "options_screen.h"
#include "rounds.h"
#include "settings.h"
#include "world.h"

const int NO_ACTION = -1;      // the page named no action the game has
const int WORLD_HEX_SIZE = 17; // bytes for a world's fingerprint in hex, its end included
const int ALWAYS_READ[] = {    // keys read whatever is bound: Escape ends, Space starts, and the
                               // arrows and Enter work the options screen
    KEY_ESC, KEY_SPACE, KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_ENTER, KEY_ENTER_PAD};

static int held_keys[ACTIONS]; // the key each action's control holds down, NO_KEY for none

// The page's Options button was used.
extern "C" EMSCRIPTEN_KEEPALIVE void ask_for_options() {
    ask_for_options_screen();
}

// A control of the page's does `action` (`down` non-zero) or stops: it holds down the action's
// first key as the player bound it, and lets go of that same key, whatever is bound meanwhile.
extern "C" EMSCRIPTEN_KEEPALIVE void hold_action(int action, int down) {
    if (action < 0 || action >= ACTIONS)
        return;
    int &held = held_keys[action];
    if (down && held == NO_KEY && settings.keys[action][0] != NO_KEY) {
        held = settings.keys[action][0];
        hold_key(held, 1);
    } else if (!down && held != NO_KEY) {
        hold_key(held, 0);
        held = NO_KEY;
    }
}

// Lets the page's controls do the game's actions by their names in the settings file,
// Module.holdAction('forward', true) and false to stop, and open the options screen,
// Module.askForOptions().
// clang-format off
EM_JS(void, offer_action_to_page, (const char *name, int action, int none), {
    Module.gameActions = Module.gameActions || {};
    Module.gameActions[UTF8ToString(name)] = action;
    Module.holdAction = (name, down) => Module._hold_action(
        name in Module.gameActions ? Module.gameActions[name] : none, down ? 1 : 0);
    Module.askForOptions = () => Module._ask_for_options();
});
// clang-format on

void offer_page_controls() {
    for (int action = 0; action < ACTIONS; action++)
        offer_action_to_page(action_name(action), action, NO_ACTION);
}

bool key_kept_from_page(int scancode) {
    for (int always : ALWAYS_READ)
        if (scancode == always)
            return true;
    if (options_open && key_name(scancode))
        return true;
    for (int action = 0; action < ACTIONS; action++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (settings.keys[action][k] == scancode)
                return true;
    return false;
}

// Tells the page the game's stage, `stage`, for its controls (Module.onStage), and with it,
// for tests, the field's number (0 for one the clock chose) and the world's fingerprint.
// clang-format off
EM_JS(void, tell_page_stage, (const char *stage, long field, const char *world), {
    const data = Module.canvas.dataset;
    data.stage = UTF8ToString(stage);
    data.field = field;
    data.world = UTF8ToString(world);
    if (Module.onStage)
        Module.onStage(data.stage);
});
// clang-format on

void report_stage_to_page() {
    static const char *told;           // the stage the page was last told of; null for none
    static long world_told = -1;       // the world, by worlds_made, whose fingerprint it has
    static char world[WORLD_HEX_SIZE]; // that fingerprint, 16 hex digits
    const char *stage = options_open               ? "options"
                        : intro_active             ? "title"
                        : win_phase != WIN_PLAYING ? "won"
                                                   : "play";
    if (world_told != worlds_made) {
        std::snprintf(world, sizeof world, "%016llx", world_digest());
        world_told = worlds_made;
        told = nullptr;
    }
    if (stage != told)
        tell_page_stage(stage, field_number, world);
    told = stage;
}
