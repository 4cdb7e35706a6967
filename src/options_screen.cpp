// The options screen: its entries from the settings' table, what choosing each does, its drawing.
#include "options_screen.h"

#include <allegro.h>
#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "aim.h"
#include "board_client.h"
#include "controls.h"
#include "framing.h"
#include "game_state.h"
#include "input.h"
#include "lettering.h"
#include "music.h"
#include "screen.h"
#include "settings.h"

// One of the screen's entries: a setting's (for the keys, one action's), Back or Reset.
struct Entry {
    int setting; // its place in SETTING_TABLE, or BACK or RESET
    int action;  // for the keys, the action whose keys it shows
};

const int BACK = SETTING_COUNT;      // "Back to the game", in place of a setting
const int RESET = SETTING_COUNT + 1; // "Reset to defaults"
const int MAX_ENTRIES = SETTING_COUNT - 1 + ACTIONS + 2; // every setting, the keys' one for each
                                                         // action, and Back and Reset

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
static Entry entries[MAX_ENTRIES];        // the entries shown, top to bottom
static int entry_count;                   // how many
static int selected;                      // the chosen one's place in `entries`
static bool waiting_for_key;              // the chosen action takes the next key pressed
static bool typing;                       // the chosen text entry takes the keys typed
static char typed[BOARD_NAME_SIZE];       // what has been typed into it so far
static int music_before_mute = MAX_MUSIC; // the volume M turns the music back on at: the
                                          // last above 0, full when there was none

void apply_music_setting() {
    if (settings.music)
        music_before_mute = settings.music;
    music_volume(settings.music);
}

// What `before` and `after` differ in, copied into `kept`: setting by setting, and key by key,
// so that a setting this game's --set gave stays unkept until the player changes it.
static void copy_changes(const Settings &before, const Settings &after, Settings *kept) {
    for (const Setting &setting : SETTING_TABLE)
        if (setting.kind == SETTING_TEXT &&
            std::strcmp(setting_text(after, setting), setting_text(before, setting)))
            set_setting_text(kept, setting, setting_text(after, setting));
        else if ((setting.kind == SETTING_NUMBER || setting.kind == SETTING_CHOICE) &&
                 setting_value(after, setting) != setting_value(before, setting))
            set_setting_value(kept, setting, setting_value(after, setting));
    for (int action = 0; action < ACTIONS; action++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (after.keys[action][k] != before.keys[action][k])
                kept->keys[action][k] = after.keys[action][k];
}

// A change made by the player to the settings in force, then to those kept, which are written;
// its effects follow at once.
static void change(void (*how)(Settings *s, Entry entry, int step), Entry entry, int step) {
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

// The largest value the screen steps a number to: a window's scale no larger than the desktop
// has room for.
static int highest_shown(const Setting &setting) {
    return setting.shown_as == SHOWN_WINDOW_SIZE ? largest_scale() : setting.range.high;
}

// Moves an entry's value one step up (+1 or NEXT) or down (-1): numbers by their step, choices
// over.
static void step_entry(Settings *s, Entry entry, int step) {
    const Setting &setting = SETTING_TABLE[entry.setting];
    int value = setting_value(*s, setting);
    if (setting.kind == SETTING_CHOICE)
        value = !value;
    else
        value = stepped(value, step, setting.range.step, setting.range.low, highest_shown(setting));
    set_setting_value(s, setting, value);
}

// Every setting but the window's and the board's back to a new player's: the name and the token
// that proves it the player's stay, or the name would be lost to its owner.
static void reset_entry(Settings *s, Entry, int) {
    Settings fresh;
    default_settings(&fresh);
    for (const Setting &setting : SETTING_TABLE)
        if (setting.kind == SETTING_TEXT)
            set_setting_text(&fresh, setting, setting_text(*s, setting));
        else if (setting.window)
            set_setting_value(&fresh, setting, setting_value(*s, setting));
    *s = fresh;
}

// The text typed, into the entry's setting.
static void set_typed_text(Settings *s, Entry entry, int) {
    set_setting_text(s, SETTING_TABLE[entry.setting], typed);
}

// Binds the key `scancode` to the action of the entry.
static void bind_entry(Settings *s, Entry entry, int scancode) {
    bind_key(s->keys, entry.action, scancode);
}

// The music off, or back on at its last volume (full when it was never on).
static void toggle_music(Settings *s, Entry, int) {
    s->music = s->music ? 0 : music_before_mute;
}

// The settings' places in SETTING_TABLE, in the order the screen shows them.
static void order_settings(int order[SETTING_COUNT]) {
    for (int setting = 0; setting < SETTING_COUNT; setting++)
        order[setting] = setting;
    std::sort(order, order + SETTING_COUNT, [](int a, int b) {
        return SETTING_TABLE[a].screen_order < SETTING_TABLE[b].screen_order;
    });
}

// Whether the screen shows a setting: the window's only where the desktop offers them, a text
// only with a title and where the game sends to boards itself.
static bool shown(const Setting &setting) {
    if (setting.kind == SETTING_TEXT)
        return setting.title && game_sends_to_boards();
    return !setting.window || window_choices_offered();
}

// Lists the entries shown, then Back and Reset.
static void list_entries() {
    int order[SETTING_COUNT];
    order_settings(order);
    entry_count = 0;
    for (int setting : order) {
        int actions = SETTING_TABLE[setting].kind == SETTING_KEYS ? ACTIONS : 1;
        for (int action = 0; action < actions && shown(SETTING_TABLE[setting]); action++)
            entries[entry_count++] = {setting, action};
    }
    entries[entry_count++] = {BACK, 0};
    entries[entry_count++] = {RESET, 0};
}

// Whether the entry is a setting's, and of that kind.
static bool is_kind(Entry entry, SettingKind kind) {
    return entry.setting < SETTING_COUNT && SETTING_TABLE[entry.setting].kind == kind;
}

static void open_screen() {
    list_entries();
    selected = 0;
    waiting_for_key = typing = false;
    options_open = true;
    music_pause(true);
}

// Back to the game, which goes on where it stood, with nothing pressed for the screen left
// over for it.
static void close_screen() {
    options_open = false;
    waiting_for_key = typing = false;
    music_pause(false);
    forget_all_presses();
}

// Chooses the entry: Back closes the screen, Reset resets, a key entry waits for a key, a text
// entry takes what is typed, and the others step up.
static void choose(Entry entry) {
    if (entry.setting == BACK)
        close_screen();
    else if (entry.setting == RESET)
        change(reset_entry, entry, 0);
    else if (is_kind(entry, SETTING_KEYS))
        waiting_for_key = true;
    else if (is_kind(entry, SETTING_TEXT)) {
        while (name_character_pressed()) {
            // what was pressed before, the choosing Enter among it, is no typing
        }
        typing = true;
        std::snprintf(typed, sizeof typed, "%s",
                      setting_text(settings, SETTING_TABLE[entry.setting]));
    } else
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

// The keys typed into the chosen text entry: characters at its end (no space first), Backspace
// rubs out the last, and Enter keeps it, less any spaces at its end, when the board would take
// it; empty, it is none.
static void take_typing() {
    for (char c = name_character_pressed(); c; c = name_character_pressed()) {
        size_t length = std::strlen(typed);
        if (c == '\b' && length > 0)
            typed[length - 1] = '\0';
        else if (c != '\b' && c != '\n' && length + 1 < sizeof typed && (length || c != ' '))
            typed[length] = c, typed[length + 1] = '\0';
        for (length = std::strlen(typed); c == '\n' && length && typed[length - 1] == ' ';)
            typed[--length] = '\0';
        const Setting &setting = SETTING_TABLE[entries[selected].setting];
        if (c == '\n' && (!typed[0] || setting.allowed(typed))) {
            change(set_typed_text, entries[selected], 0);
            typing = false;
            return;
        }
    }
}

// A click or tap at the cross: chooses the entry under it; on a number, left of its middle
// lowers it and right raises it.
static void click() {
    int row = int((cross_y() - FIRST_ROW_TOP) / ROW_PITCH);
    if (cross_y() < FIRST_ROW_TOP || row >= entry_count)
        return;
    selected = row;
    waiting_for_key = typing = false;
    Entry entry = entries[row];
    if (is_kind(entry, SETTING_NUMBER))
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
    if ((waiting_for_key || typing) && (back || clicked)) {
        bindable_key_pressed();           // the pad's presses go for nothing
        waiting_for_key = typing = false; // B or a click gives up waiting, or what was typed
        return;
    }
    if (waiting_for_key)
        return take_key();
    if (typing)
        return take_typing();
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
    Entry entry = entries[selected];
    bool steps = is_kind(entry, SETTING_NUMBER) || is_kind(entry, SETTING_CHOICE);
    if ((left || right) && steps)
        change(step_entry, entry, right ? 1 : -1);
    if (chosen)
        choose(entry);
}

void watch_options_screen() {
    bool toggled = options_asked(!intro_active, waiting_for_key || typing);
    if (toggled && options_open)
        close_screen();
    else if (toggled)
        open_screen();
    else if (options_open)
        take_input();
    if (!waiting_for_key && !typing && action_pressed(ACTION_MUTE))
        change(toggle_music, {}, 0);
}

// An action's keys as shown, their names between spaces.
static void describe_keys(int action, char *value, size_t size) {
    for (int k = 0; k < KEYS_PER_ACTION; k++)
        if (const char *name = key_name(settings.keys[action][k]))
            std::snprintf(value + std::strlen(value), size - std::strlen(value), "%s%s",
                          value[0] ? " " : "", name);
}

// What a number shows: a window's size, its word for 0, or a percent.
static void describe_number(const Setting &setting, int number, char *value, size_t size) {
    if (setting.shown_as == SHOWN_WINDOW_SIZE)
        std::snprintf(value, size, "%dx%d", PICTURE_WIDTH * number, PICTURE_HEIGHT * number);
    else if (number == 0 && setting.shown.off)
        std::snprintf(value, size, "%s", setting.shown.off);
    else
        std::snprintf(value, size, "%d%%", number);
}

// What the entry in `row` shows as its value: nothing for Back and Reset.
static void describe(int row, char *value, size_t size) {
    Entry entry = entries[row];
    value[0] = '\0';
    if (entry.setting >= SETTING_COUNT)
        return;
    const Setting &setting = SETTING_TABLE[entry.setting];
    if (setting.kind == SETTING_KEYS && waiting_for_key && row == selected)
        std::snprintf(value, size, "Press a key");
    else if (setting.kind == SETTING_KEYS)
        describe_keys(entry.action, value, size);
    else if (setting.kind == SETTING_TEXT && typing && row == selected)
        std::snprintf(value, size, "%s_", typed);
    else if (setting.kind == SETTING_TEXT)
        std::snprintf(value, size, "%s",
                      *setting_text(settings, setting) ? setting_text(settings, setting) : "None");
    else if (setting.kind == SETTING_CHOICE)
        std::snprintf(value, size, "%s",
                      setting_value(settings, setting) ? setting.shown.on : setting.shown.off);
    else
        describe_number(setting, setting_value(settings, setting), value, size);
}

// What an entry is called on the screen.
static const char *title_of(Entry entry) {
    if (entry.setting == BACK)
        return "Back to the game";
    if (entry.setting == RESET)
        return "Reset to defaults";
    if (is_kind(entry, SETTING_KEYS))
        return action_title(entry.action);
    return SETTING_TABLE[entry.setting].title;
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
    describe(row, value, sizeof value);
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
