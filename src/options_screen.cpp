// The options screen: its entries, what choosing and changing each does, and its drawing.
#include "options_screen.h"

#include <allegro.h>
#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "aim.h"
#include "controls.h"
#include "framing.h"
#include "game_state.h"
#include "input.h"
#include "lettering.h"
#include "music.h"
#include "screen.h"
#include "settings.h"

// The screen's entries, top to bottom; the window's two only where they are offered.
enum Entry {
    ENTRY_MUSIC,
    ENTRY_LOOK,
    ENTRY_BOB,
    ENTRY_NEEDLE,
    ENTRY_TURN,
    ENTRY_CROSS,
    ENTRY_MOUSE,
    ENTRY_FIRST_KEY,                         // one entry for each action's keys
    ENTRY_SCALE = ENTRY_FIRST_KEY + ACTIONS, // the window's scale
    ENTRY_FULLSCREEN,                        // and fullscreen
    ENTRY_BACK,                              // "Back to the game"
    ENTRY_RESET,                             // "Reset to defaults"
    ENTRIES
};

const float LETTER_SIZE = 2.0f;    // game pixels a font pixel: capitals 14 pixels tall
const float TITLE_SIZE = 3.0f;     // the title's, larger
const float PANEL_LEFT = 24.0f;    // the dark panel's edges, game pixels
const float PANEL_RIGHT = 616.0f;  // likewise
const float PANEL_TOP = 6.0f;      // likewise
const float PANEL_BOTTOM = 474.0f; // likewise
const float TITLE_TOP = 14.0f;     // the title's top, game pixels
const float FIRST_ROW_TOP = 44.0f; // the first entry's top, game pixels
const float ROW_PITCH = 17.0f;     // from one entry's top to the next's, game pixels
const float LABEL_LEFT = 44.0f;    // where an entry's name starts, game pixels
const float VALUE_LEFT = 364.0f;   // where its value starts, game pixels
const float VALUE_MIDDLE = 470.0f; // a click left of this lowers a value, right raises it
const float PANEL_ALPHA = 0.94f;   // how much of the game the panel hides, 0..1
const int VALUE_SIZE = 48;         // bytes for an entry's value as shown

bool options_open = false;
static int entries[ENTRIES];              // the entries shown, top to bottom
static int entry_count;                   // how many
static int selected;                      // the chosen one's place in `entries`
static bool waiting_for_key;              // the chosen action takes the next key pressed
static int music_before_mute = MAX_MUSIC; // the volume M turns the music back on at: the
                                          // last above 0, full when there was none

void apply_music_setting() {
    if (settings.music)
        music_before_mute = settings.music;
    music_volume(settings.music);
}

// What `before` and `after` differ in, copied into `kept`: field by field, so that a setting
// this game's --set gave stays unkept until the player changes it.
static void copy_changes(const Settings &before, const Settings &after, Settings *kept) {
    if (after.display.scale != before.display.scale)
        kept->display.scale = after.display.scale;
    if (after.display.fullscreen != before.display.fullscreen)
        kept->display.fullscreen = after.display.fullscreen;
    if (after.music != before.music)
        kept->music = after.music;
    if (after.look_toggle != before.look_toggle)
        kept->look_toggle = after.look_toggle;
    if (after.bob != before.bob)
        kept->bob = after.bob;
    if (after.glint != before.glint)
        kept->glint = after.glint;
    if (after.turn != before.turn)
        kept->turn = after.turn;
    if (after.cross != before.cross)
        kept->cross = after.cross;
    if (after.mouse_steer != before.mouse_steer)
        kept->mouse_steer = after.mouse_steer;
    for (int action = 0; action < ACTIONS; action++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (after.keys[action][k] != before.keys[action][k])
                kept->keys[action][k] = after.keys[action][k];
}

// A change made by the player to the settings in force, then to those kept, which are written;
// its effects follow at once.
static void change(void (*how)(Settings *s, int entry, int step), int entry, int step) {
    Settings after = settings;
    how(&after, entry, step);
    copy_changes(settings, after, &kept_settings);
    use_settings(after);
    keep_settings();
    apply_music_setting();
}

const int NEXT = 0; // a step that moves a value up, wrapping round past the top: Enter's

// `value` moved `step` (+1, -1 or NEXT) times `size` within low..high: held at either end, or
// with NEXT past the top back to the bottom.
static int stepped(int value, int step, int size, int low, int high) {
    if (step == NEXT)
        return value + size > high ? low : value + size;
    return std::clamp(value + step * size, low, high);
}

// The largest window scale the desktop has room for.
static int largest_scale() {
    int width, height;
    find_work_area(&width, &height);
    return largest_fitting_scale(width, height);
}

// Moves an entry's value one step up (+1 or NEXT) or down (-1): numbers by their step, choices
// over.
static void step_entry(Settings *s, int entry, int step) {
    switch (entry) {
    case ENTRY_MUSIC:
        s->music = stepped(s->music, step, MUSIC_STEP, 0, MAX_MUSIC);
        break;
    case ENTRY_LOOK:
        s->look_toggle = !s->look_toggle;
        break;
    case ENTRY_BOB:
        s->bob = !s->bob;
        break;
    case ENTRY_NEEDLE:
        s->glint = !s->glint;
        break;
    case ENTRY_TURN:
        s->turn = stepped(s->turn, step, SPEED_STEP, MIN_SPEED, MAX_SPEED);
        break;
    case ENTRY_CROSS:
        s->cross = stepped(s->cross, step, SPEED_STEP, MIN_SPEED, MAX_SPEED);
        break;
    case ENTRY_MOUSE:
        s->mouse_steer = !s->mouse_steer;
        break;
    case ENTRY_SCALE:
        s->display.scale = stepped(s->display.scale, step, 1, 1, largest_scale());
        break;
    case ENTRY_FULLSCREEN:
        s->display.fullscreen = !s->display.fullscreen;
        break;
    }
}

// Every setting but the display back to a new player's.
static void reset_entry(Settings *s, int, int) {
    Settings fresh;
    default_settings(&fresh);
    fresh.display = s->display;
    *s = fresh;
}

// Binds the key `scancode` to the action of the entry.
static void bind_entry(Settings *s, int entry, int scancode) {
    bind_key(s->keys, entry - ENTRY_FIRST_KEY, scancode);
}

// The music off, or back on at its last volume (full when it was never on).
static void toggle_music(Settings *s, int, int) {
    s->music = s->music ? 0 : music_before_mute;
}

// Lists the entries shown: the window's only where the desktop offers them.
static void list_entries() {
    entry_count = 0;
    for (int entry = 0; entry < ENTRIES; entry++)
        if (window_choices_offered() || (entry != ENTRY_SCALE && entry != ENTRY_FULLSCREEN))
            entries[entry_count++] = entry;
}

static void open_screen() {
    list_entries();
    selected = 0;
    waiting_for_key = false;
    options_open = true;
    music_pause(true);
}

// Back to the game, which goes on where it stood, with nothing pressed for the screen left
// over for it.
static void close_screen() {
    options_open = false;
    waiting_for_key = false;
    music_pause(false);
    forget_all_presses();
}

// Chooses the entry: Back closes the screen, Reset resets, a key entry waits for a key, and
// the others step up.
static void choose(int entry) {
    if (entry == ENTRY_BACK)
        close_screen();
    else if (entry == ENTRY_RESET)
        change(reset_entry, entry, 0);
    else if (entry >= ENTRY_FIRST_KEY && entry < ENTRY_SCALE)
        waiting_for_key = true;
    else
        change(step_entry, entry, NEXT);
}

// The next key pressed, bound to the chosen action; nothing while none is.
static void take_key() {
    int scancode = bindable_key_pressed();
    if (scancode == NO_KEY)
        return;
    change(bind_entry, entries[selected], scancode);
    waiting_for_key = false;
}

// A click or tap at the cross: chooses the entry under it; on a number, left of its middle
// lowers it and right raises it.
static void click() {
    int row = int((cross_y() - FIRST_ROW_TOP) / ROW_PITCH);
    if (cross_y() < FIRST_ROW_TOP || row >= entry_count)
        return;
    selected = row;
    waiting_for_key = false;
    int entry = entries[row];
    bool number =
        entry == ENTRY_MUSIC || entry == ENTRY_TURN || entry == ENTRY_CROSS || entry == ENTRY_SCALE;
    if (number)
        change(step_entry, entry, cross_x() < VALUE_MIDDLE ? -1 : 1);
    else
        choose(entry);
}

// The arrows (and the walking and turning keys), Enter, the pad's d-pad, A and B, and the
// mouse, while the screen is open; while a key entry waits, every key is left for it. Every
// control is read each frame, so that none is left over.
static void take_input() {
    bool back = menu_pressed(MENU_BACK);
    bool clicked = mouse_button_pressed();
    if (waiting_for_key && (back || clicked)) {
        bindable_key_pressed();  // the pad's presses go for nothing
        waiting_for_key = false; // B or a click gives up waiting
        return;
    }
    if (waiting_for_key)
        return take_key();
    if (back)
        return close_screen();
    if (clicked)
        return click();
    bool up = menu_pressed(MENU_UP);
    bool down = menu_pressed(MENU_DOWN);
    bool left = menu_pressed(MENU_LEFT);
    bool right = menu_pressed(MENU_RIGHT);
    bool chosen = menu_pressed(MENU_CHOOSE);
    if (up || down)
        selected = (selected + (up ? entry_count - 1 : 1)) % entry_count;
    int entry = entries[selected];
    bool steps = entry < ENTRY_FIRST_KEY || entry == ENTRY_SCALE || entry == ENTRY_FULLSCREEN;
    if ((left || right) && steps)
        change(step_entry, entry, right ? 1 : -1);
    if (chosen)
        choose(entry);
}

void watch_options_screen() {
    bool toggled = options_asked(!intro_active, waiting_for_key);
    if (toggled && options_open)
        close_screen();
    else if (toggled)
        open_screen();
    else if (options_open)
        take_input();
    if (!waiting_for_key && action_pressed(ACTION_MUTE))
        change(toggle_music, 0, 0);
}

// What an entry shows as its value.
static void describe(int entry, char *value, size_t size) {
    const Settings &s = settings;
    int action = entry - ENTRY_FIRST_KEY;
    value[0] = '\0';
    if (entry == ENTRY_MUSIC && s.music)
        std::snprintf(value, size, "%d%%", s.music);
    else if (entry == ENTRY_MUSIC)
        std::snprintf(value, size, "Off");
    else if (entry == ENTRY_LOOK)
        std::snprintf(value, size, "%s", s.look_toggle ? "Toggle" : "Hold");
    else if (entry == ENTRY_BOB)
        std::snprintf(value, size, "%s", s.bob ? "On" : "Off");
    else if (entry == ENTRY_NEEDLE)
        std::snprintf(value, size, "%s", s.glint ? "Glint" : "Off");
    else if (entry == ENTRY_TURN || entry == ENTRY_CROSS)
        std::snprintf(value, size, "%d%%", entry == ENTRY_TURN ? s.turn : s.cross);
    else if (entry == ENTRY_MOUSE)
        std::snprintf(value, size, "%s", s.mouse_steer ? "Aims and steers" : "Aims");
    else if (entry == ENTRY_SCALE)
        std::snprintf(value, size, "%dx%d", PICTURE_WIDTH * s.display.scale,
                      PICTURE_HEIGHT * s.display.scale);
    else if (entry == ENTRY_FULLSCREEN)
        std::snprintf(value, size, "%s", s.display.fullscreen ? "On" : "Off");
    else if (action >= 0 && action < ACTIONS && waiting_for_key && entry == entries[selected])
        std::snprintf(value, size, "Press a key");
    else if (action >= 0 && action < ACTIONS)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (const char *name = key_name(s.keys[action][k]))
                std::snprintf(value + std::strlen(value), size - std::strlen(value), "%s%s",
                              value[0] ? " " : "", name);
}

// What an entry is called on the screen.
static const char *title_of(int entry) {
    static const char *const TITLES[] = {"Music",       "Look down mode", "Head bob",
                                         "Needle hint", "Turning speed",  "Cross speed",
                                         "Mouse"};
    if (entry < ENTRY_FIRST_KEY)
        return TITLES[entry];
    if (entry < ENTRY_SCALE)
        return action_title(entry - ENTRY_FIRST_KEY);
    static const char *const LATER[] = {"Window size", "Fullscreen", "Back to the game",
                                        "Reset to defaults"};
    return LATER[entry - ENTRY_SCALE];
}

// One entry's row: its bar when chosen, its name and its value.
static void draw_entry(int row) {
    float top = FIRST_ROW_TOP + row * ROW_PITCH;
    if (row == selected) {
        glColor4f(0.25f, 0.35f, 0.65f, 1.0f);
        fill_rectangle(PANEL_LEFT + 8, top - 3, PANEL_RIGHT - 8, top + ROW_PITCH - 2);
    }
    glColor4f(1.0f, 1.0f, 0.9f, 1.0f);
    draw_text(title_of(entries[row]), LABEL_LEFT, top, LETTER_SIZE);
    char value[VALUE_SIZE];
    describe(entries[row], value, sizeof value);
    glColor4f(1.0f, 0.85f, 0.4f, 1.0f);
    draw_text(value, VALUE_LEFT, top, LETTER_SIZE);
}

void draw_options_screen() {
    if (!options_open)
        return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glColor4f(0.02f, 0.03f, 0.08f, PANEL_ALPHA);
    fill_rectangle(PANEL_LEFT, PANEL_TOP, PANEL_RIGHT, PANEL_BOTTOM);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const char *title = "Options";
    draw_text(title, (PICTURE_WIDTH - text_width(title, TITLE_SIZE)) / 2, TITLE_TOP, TITLE_SIZE);
    for (int row = 0; row < entry_count; row++)
        draw_entry(row);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
}
