// Gamepads in the browser through the Gamepad API (html5.h): the pads the browser lays out in
// its standard mapping, sampled once a frame; a pad in another layout is ignored.
#include "gamepad.h"

#include <emscripten/html5.h>
#include <cmath>
#include <cstring>

#include "pad_mapping.h"

// The standard mapping's button numbers for each of the game's buttons, and its triggers.
const int STANDARD_BUTTONS[PAD_BUTTONS] = {0, 1, 2, 3, 8, 16, 9, 10, 11, 4, 5, 12, 13, 14, 15};
const int STANDARD_LEFT_TRIGGER = 6;  // an analogue button, 0..1
const int STANDARD_RIGHT_TRIGGER = 7; // likewise
const int STANDARD_AXES = 4;          // left x and y, right x and y, -1..1, growing right and down

static bool plugged[MAX_PADS]; // which of the browser's gamepad places held a pad last frame

void start_gamepads() {}

// A value of the Gamepad API, -1..1 (or 0..1), on the mapping's scale.
static int axis_value(double value) {
    return int(std::lround(value * AXIS_FULL));
}

// The pad in the browser's place `pad`, read as it is this frame.
static void read_pad(int pad, const EmscriptenGamepadEvent &g) {
    for (int axis = 0; axis < STANDARD_AXES && axis < g.numAxes; axis++)
        pad_set_axis(pad, axis, axis_value(g.axis[axis]));
    if (g.numButtons > STANDARD_RIGHT_TRIGGER) {
        pad_set_axis(pad, PAD_LEFT_TRIGGER, axis_value(g.analogButton[STANDARD_LEFT_TRIGGER]));
        pad_set_axis(pad, PAD_RIGHT_TRIGGER, axis_value(g.analogButton[STANDARD_RIGHT_TRIGGER]));
    }
    for (int button = 0; button < PAD_BUTTONS; button++)
        pad_set_button(pad, button,
                       STANDARD_BUTTONS[button] < g.numButtons &&
                           g.digitalButton[STANDARD_BUTTONS[button]]);
}

// Whether the browser's place `pad` holds a connected pad in the standard mapping; its state.
static bool standard_pad(int pad, int count, EmscriptenGamepadEvent *g) {
    return pad < count && emscripten_get_gamepad_status(pad, g) == EMSCRIPTEN_RESULT_SUCCESS &&
           g->connected && !std::strcmp(g->mapping, "standard");
}

void poll_gamepads() {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS)
        return;
    int count = emscripten_get_num_gamepads();
    for (int pad = 0; pad < MAX_PADS; pad++) {
        EmscriptenGamepadEvent g;
        bool there = standard_pad(pad, count, &g);
        if (there != plugged[pad])
            pad_reset(pad); // plugged in at rest, or pulled out letting go of all
        plugged[pad] = there;
        if (there)
            read_pad(pad, g);
    }
}
