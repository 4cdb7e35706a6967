// The game's side of play: the player's keys, mouse, pads and page gathered into each tick's
// input, the simulation run a tick, and what its events start: the music, the search's end,
// the replay kept; and the won stage's recolouring.
#include "play.h"

#include "aim.h"
#include "controls.h"
#include "framing.h"
#include "game_state.h"
#include "input.h"
#include "music.h"
#include "replays.h"
#include "rounds.h"
#include "settings.h"

const int RECOLOURS_PER_FRAME = 100; // strand colours turned green each frame of the won stage
const float KEY_CROSS_TICKS = 60.0f; // ticks the cross takes to cross the picture by keys at
                                     // the usual speed: two seconds
const int LEFT_BUTTON = 1;           // mouse_b's bit of the left button
const int RIGHT_BUTTON = 2;          // mouse_b's bit of the right button

// The right stick moves the aiming cross, on the title card too.
static void steer_cross_by_stick() {
    float dx, dy;
    pad_cross_step(&dx, &dy);
    float speed = settings.cross / 100.0f;
    if (dx != 0 || dy != 0)
        steer_cross(dx * speed, dy * speed);
}

// The cross keys move the cross, at a speed the cross speed setting scales.
static void steer_cross_by_keys() {
    float step = settings.cross / 100.0f / KEY_CROSS_TICKS;
    float dx = (action_held(ACTION_CROSS_RIGHT) - action_held(ACTION_CROSS_LEFT)) * step;
    float dy = (action_held(ACTION_CROSS_DOWN) - action_held(ACTION_CROSS_UP)) * step;
    if (dx != 0 || dy != 0)
        steer_cross(dx * PICTURE_WIDTH, dy * PICTURE_HEIGHT);
}

// Walking forward, by its keys, or by the right mouse button when the mouse steers.
static bool walking_forward() {
    bool keyed = action_held(ACTION_FORWARD);
    return keyed || (settings.mouse_steer && mouse_buttons_down(RIGHT_BUTTON));
}

// Whether the player aims now: the aim key or a pad's A held, or the mouse's button; when the
// mouse steers, its left button alone, the right one walking.
static bool aiming() {
    bool clicked = settings.mouse_steer ? mouse_buttons_down(LEFT_BUTTON) : mouse_button_down();
    return action_held(ACTION_AIM) || clicked;
}

// The settings that shape play, as the player has them now.
static PlaySettings settings_for_play() {
    return {settings.look_toggle, settings.bob,         settings.turn,
            settings.cross,       settings.mouse_steer, settings.glint};
}

// The player's keys, mouse, pads and page as this tick's input: each action read once, the start
// first (Space both starts and looks down, and the start has its press).
static TickInput read_tick_input() {
    TickInput input = {0, 0, 0.0f, 0.0f};
    if (intro_active && start_asked())
        input.pressed |= PLAY_START;
    const struct {
        bool on;
        unsigned bit;
    } held[] = {{walking_forward(), PLAY_FORWARD},     {action_held(ACTION_BACK), PLAY_BACK},
                {action_held(ACTION_LEFT), PLAY_LEFT}, {action_held(ACTION_RIGHT), PLAY_RIGHT},
                {action_held(ACTION_LOOK), PLAY_LOOK}, {aiming(), PLAY_AIM}};
    for (const auto &h : held)
        input.held |= h.on ? h.bit : 0;
    if (action_pressed(ACTION_LOOK))
        input.pressed |= PLAY_LOOK;
    input.cross_x = cross_x();
    input.cross_y = cross_y();
    return input;
}

// The music and the rounds answer what the tick did: the theme over the intro once play
// begins, the outro on every hit; the first hit ends the search, unless it was watched.
static void answer_tick(unsigned events) {
    if (events & TICK_PLAY_BEGAN) {
        music_stop(intro_stream);
        music_play(theme_stream);
    }
    if (events & TICK_HIT) {
        music_stop(theme_stream);
        music_play(outro_stream);
    }
    if ((events & TICK_FOUND) && !watching) {
        finish_search();
        keep_recorded_search();
    }
}

void tick_update() {
    bool new_field = action_pressed(ACTION_NEW_FIELD); // read always: a press before the win
    if (new_field && win_phase != WIN_PLAYING) {       // is spent, and does nothing
        watching = false;
        start_new_field();
    }
    steer_cross_by_stick();
    steer_cross_by_keys();
    if (watching) {
        watch_ticks(answer_tick);
        return;
    }
    PlaySettings now = settings_for_play();
    play_settings = now;
    TickInput input = read_tick_input();
    unsigned events = sim_tick(input);
    record_tick(input, now, events);
    answer_tick(events);
}

// (r, g, b) becomes (b, r, g/2): the yellows and browns come out green.
static void turn_green(float colour[3]) {
    float r = colour[0], g = colour[1], b = colour[2];
    colour[0] = b;
    colour[1] = r;
    colour[2] = g * 0.5f;
}

void recolour_step() {
    if (win_phase != WIN_RECOLOURING)
        return;
    int i = recolour_cursor;
    for (int n = 0; n < RECOLOURS_PER_FRAME && i < STRAND_VERTICES; n++)
        turn_green(strand_colours[i++]);
    if (i >= STRAND_VERTICES)
        win_phase = WIN_FINISHED;
    recolour_cursor = i;
}
