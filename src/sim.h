// The simulation: the attract orbit, the player's walk, turn, look and bob, the shot, the hit
// and the search's time, a tick at a time from that tick's input alone. Built from its own
// maths, it gives the same bits on every platform.
#pragma once

#include "player.h"
#include "world.h"

// What the player does in a tick, after the bindings, as bits of TickInput's `held` and
// `pressed`.
enum PlayBit {
    PLAY_FORWARD = 1 << 0, // walking forward
    PLAY_BACK = 1 << 1,    // walking back
    PLAY_LEFT = 1 << 2,    // turning left
    PLAY_RIGHT = 1 << 3,   // turning right
    PLAY_LOOK = 1 << 4,    // looking down (held), or a tap of the look toggle (pressed)
    PLAY_AIM = 1 << 5,     // aiming: the shot is thrown toward the cross, and flies when let go
    PLAY_START = 1 << 6,   // pressed on the title card: play begins
};
const unsigned PLAY_BITS = (1 << 7) - 1; // every bit a tick's input may hold

// One tick's input: all the simulation reads of the player.
struct TickInput {
    unsigned held;    // PlayBits held this tick
    unsigned pressed; // PlayBits newly pressed since the last tick: PLAY_LOOK, PLAY_START
    float cross_x;    // the aiming cross, 0..640 game pixels across the picture, fractions kept
    float cross_y;    // and 0..480 down
};

// The settings that shape play, as the simulation reads them.
struct PlaySettings {
    int look_toggle; // 1: a press of look down looks down until the next; 0: held
    int bob;         // 1: the eye bobs as the player walks and breathes; 0: stays level
    int turn;        // turning speed, percent of the usual
    int cross;       // the cross's speed by keys and sticks, percent (the input carries the
                     // cross it moved)
    int mouse_steer; // 1: the cross by the picture's left or right edge turns the view
    int glint;       // 1: the needle flashes white now and then
};

enum WinPhase { WIN_PLAYING = 0, WIN_RECOLOURING = 1, WIN_FINISHED = 2 };
enum WalkState { WALK_NONE = 0, WALK_WALKING = 1, WALK_STANDING = 2 };

// What a tick did that the rest of the game answers, as bits of sim_tick's result.
enum TickEvent {
    TICK_PLAY_BEGAN = 1 << 0, // the start was pressed on the title card
    TICK_HIT = 1 << 1,        // the shot passed within reach of the needle
    TICK_FOUND = 1 << 2,      // the first such pass in this field: the search is over
};

const int TICKS_PER_SECOND = 30;         // logic ticks a second of game time
const int MAX_SEARCH_TICKS = 2000000000; // the longest search counted, ticks: about two years

extern PlaySettings play_settings; // the settings play goes by now

extern int intro_active; // 1 while the attract stage runs
extern int win_phase;    // WinPhase: 0 playing, 1 recolouring, 2 finished
extern int walk_state;   // WalkState: 0 before play, 1 walking, 2 standing
extern int orbit_ticks;  // ticks of the attract orbit in this field so far
extern int round_ticks;  // ticks of play in this field so far, from the start of play to the
                         // hit
extern int found_ticks;  // how long the search took, ticks; 0 until the hit

// The player as a field starts: the orbit over the title card, facing the mound from its corner
// once play begins, no shot in the air, no time taken.
void reset_player();

// One tick: the attract orbit until the start is pressed, then turning, walking, the eye's bob
// and height, looking down, the fence, the search's time and the shot's flight; then, while
// aiming, the shot thrown again from the eye toward the cross. TickEvent bits of what happened.
unsigned sim_tick(const TickInput &input);

// Places the shot one step ahead of the eye on the ray through the cursor at (cursor_x,
// cursor_y) in the picture's 640x480 game pixels, fractions kept, for the camera given as a
// column-major modelview matrix.
void throw_shot(float cursor_x, float cursor_y, const float camera[16]);

// Whether the needle glints now: with the glint on, for a moment every two seconds of play.
bool needle_glinting();

// A fingerprint of where the play stands: the eye, the heading and pitch, and the shot, bit for
// bit (32-bit FNV-1a).
unsigned sim_digest();
