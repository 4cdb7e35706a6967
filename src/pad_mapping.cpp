// The gamepad's mapping from sticks, triggers and buttons to the game's actions.
#include "pad_mapping.h"

#include <algorithm>
#include <cstdlib>

#include "framing.h"

const int DEAD_ZONE = AXIS_FULL / 4; // a stick or trigger moves nothing until past this
const int CROSSING_TICKS = 30;       // ticks the right stick, full over, takes to cross the
                                     // picture: one second

struct Pad {
    int axes[PAD_AXES];        // -32767..32767, or 0..32767 for the triggers
    bool buttons[PAD_BUTTONS]; // which buttons are down
    bool back_alone;           // Back is down, and Start has not been pressed since it went down
};

static Pad pads[MAX_PADS];     // each pad's state; all at rest before any is plugged in
static unsigned actions_on;    // PadAction bits that some pad does now
static unsigned actions_begun; // PadAction bits begun since their last read
static unsigned actions_new;   // PadAction bits begun since pad_action_pressed last asked
static unsigned actions_spent; // PadAction bits held when presses were forgotten, until let go

// Whether the axis is pushed past the dead zone toward `sign` (+1 or -1).
static bool pushed(int value, int sign) {
    return value * sign > DEAD_ZONE;
}

// The actions one pad does, as PadAction bits.
static unsigned actions_of(const Pad &p) {
    const int *a = p.axes;
    const bool *b = p.buttons;
    bool on[PAD_ACTIONS] = {};
    bool walk_pad = !b[PAD_RIGHT_SHOULDER]; // the d-pad walks, or with the shoulder aims
    on[PAD_WALK_FORWARD] = pushed(a[PAD_LEFT_Y], -1) || (walk_pad && b[PAD_DPAD_UP]);
    on[PAD_WALK_BACK] = pushed(a[PAD_LEFT_Y], 1) || (walk_pad && b[PAD_DPAD_DOWN]);
    on[PAD_TURN_LEFT] = pushed(a[PAD_LEFT_X], -1) || (walk_pad && b[PAD_DPAD_LEFT]);
    on[PAD_TURN_RIGHT] = pushed(a[PAD_LEFT_X], 1) || (walk_pad && b[PAD_DPAD_RIGHT]);
    on[PAD_CROSS_UP] = !walk_pad && b[PAD_DPAD_UP];
    on[PAD_CROSS_DOWN] = !walk_pad && b[PAD_DPAD_DOWN];
    on[PAD_CROSS_LEFT] = !walk_pad && b[PAD_DPAD_LEFT];
    on[PAD_CROSS_RIGHT] = !walk_pad && b[PAD_DPAD_RIGHT];
    on[PAD_BACK_OUT] = b[PAD_B];
    on[PAD_NEW_FIELD] = b[PAD_Y];
    on[PAD_WATCH] = b[PAD_X];
    on[PAD_LOOK_DOWN] = pushed(a[PAD_LEFT_TRIGGER], 1) || b[PAD_LEFT_SHOULDER];
    on[PAD_START_PLAY] = b[PAD_START] && !b[PAD_BACK];
    on[PAD_QUIT] = b[PAD_START] && b[PAD_BACK];
    on[PAD_AIM] = pushed(a[PAD_RIGHT_TRIGGER], 1) || b[PAD_A];
    unsigned bits = 0;
    for (int action = 0; action < PAD_ACTIONS; action++)
        bits |= unsigned(on[action]) << action;
    return bits;
}

// After a pad changed: what every pad does now, and what began.
static void update_actions() {
    unsigned now = 0;
    for (const Pad &p : pads)
        now |= actions_of(p);
    actions_begun |= now & ~actions_on;
    actions_new |= now & ~actions_on;
    actions_spent &= now;
    actions_on = now;
}

void pad_reset(int pad) {
    if (pad < 0 || pad >= MAX_PADS)
        return;
    pads[pad] = Pad();
    update_actions();
}

void pad_set_axis(int pad, int axis, int value) {
    if (pad < 0 || pad >= MAX_PADS || axis < 0 || axis >= PAD_AXES)
        return;
    pads[pad].axes[axis] = std::clamp(value, -AXIS_FULL, AXIS_FULL);
    update_actions();
}

void pad_set_button(int pad, int button, bool down) {
    if (pad < 0 || pad >= MAX_PADS || button < 0 || button >= PAD_BUTTONS)
        return;
    Pad &p = pads[pad];
    bool sends = button == PAD_BACK && !down && p.buttons[PAD_BACK] && p.back_alone;
    if (button == PAD_BACK || (button == PAD_START && down))
        p.back_alone = button == PAD_BACK && down && !p.buttons[PAD_START];
    p.buttons[button] = down;
    update_actions();
    if (sends) { // a press that is over as it begins: begun, never on
        actions_begun |= 1u << PAD_SEND;
        actions_new |= 1u << PAD_SEND;
    }
}

bool pad_action(PadAction action) {
    unsigned bit = 1u << action;
    bool begun = actions_begun & bit;
    actions_begun &= ~bit;
    return (actions_on & ~actions_spent & bit) || begun;
}

bool pad_action_pressed(PadAction action) {
    unsigned bit = 1u << action;
    bool begun = actions_new & bit;
    actions_new &= ~bit;
    return begun;
}

void pad_forget_presses() {
    actions_begun = 0;
    actions_new = 0;
    actions_spent = actions_on;
}

// One axis's share of full speed past the dead zone, -1..1: its square, so that a small
// push aims finely and a full one moves fast.
static float speed_share(int value) {
    float past = float(std::max(0, std::abs(value) - DEAD_ZONE)) / (AXIS_FULL - DEAD_ZONE);
    return value < 0 ? -past * past : past * past;
}

// Of two shares, the one further from rest.
static float further(float a, float b) {
    return std::abs(b) > std::abs(a) ? b : a;
}

void pad_cross_step(float *dx, float *dy) {
    float x = 0, y = 0;
    for (const Pad &p : pads) {
        x = further(x, speed_share(p.axes[PAD_RIGHT_X]));
        y = further(y, speed_share(p.axes[PAD_RIGHT_Y]));
    }
    *dx = x * PICTURE_WIDTH / CROSSING_TICKS;
    *dy = y * PICTURE_HEIGHT / CROSSING_TICKS;
}
