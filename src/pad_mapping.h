// The gamepad's mapping, the same on every platform: each pad's sticks, triggers and buttons in
// the standard layout, as walking, turning, looking down, starting, quitting, aiming and
// steering the cross; fed by the platform's gamepad file (gamepad.h), read through the game's
// controls (controls.h).
#pragma once

const int MAX_PADS = 8;      // pads that drive at once, numbered 0..7; more are ignored
const int AXIS_FULL = 32767; // a stick's value pushed full over, or a trigger's pulled full in;
                             // -32768, one further, counts as -32767

// A pad's sticks and triggers, in SDL's order: sticks -32768..32767, growing right and down;
// triggers 0..32767.
enum PadAxis {
    PAD_LEFT_X,
    PAD_LEFT_Y,
    PAD_RIGHT_X,
    PAD_RIGHT_Y,
    PAD_LEFT_TRIGGER,
    PAD_RIGHT_TRIGGER,
    PAD_AXES
};

// A pad's buttons, in SDL's order: A is the bottom face button, Back is Select or View.
enum PadButton {
    PAD_A,
    PAD_B,
    PAD_X,
    PAD_Y,
    PAD_BACK,
    PAD_GUIDE,
    PAD_START,
    PAD_LEFT_STICK,
    PAD_RIGHT_STICK,
    PAD_LEFT_SHOULDER,
    PAD_RIGHT_SHOULDER,
    PAD_DPAD_UP,
    PAD_DPAD_DOWN,
    PAD_DPAD_LEFT,
    PAD_DPAD_RIGHT,
    PAD_BUTTONS
};

// What the game asks of the pads.
enum PadAction {
    PAD_WALK_FORWARD, // left stick up or d-pad up (right shoulder up), as the Up arrow
    PAD_WALK_BACK,    // left stick down or d-pad down (right shoulder up), as the Down arrow
    PAD_TURN_LEFT,    // left stick left or d-pad left (right shoulder up), as the Left arrow
    PAD_TURN_RIGHT,   // left stick right or d-pad right (right shoulder up), as the Right arrow
    PAD_LOOK_DOWN,    // left trigger or left shoulder, as Space held
    PAD_START_PLAY,   // Start without Back: Space on the title card, then the options screen
    PAD_QUIT,         // Back and Start together, as Escape
    PAD_AIM,          // A or the right trigger, as a mouse button
    PAD_CROSS_UP,     // d-pad up with the right shoulder held: the cross up, as I
    PAD_CROSS_DOWN,   // d-pad down with the right shoulder held: the cross down, as K
    PAD_CROSS_LEFT,   // d-pad left with the right shoulder held: the cross left, as J
    PAD_CROSS_RIGHT,  // d-pad right with the right shoulder held: the cross right, as L
    PAD_BACK_OUT,     // B: back out of the options screen
    PAD_NEW_FIELD,    // Y: a new field after a win, as N
    PAD_WATCH,        // X: after a win, watch the search again, as R
    PAD_SEND,         // Back let go with no Start pressed while it was down: after a win, send
                      // the search to the board, as U; a press, never held
    PAD_ACTIONS
};

// Pad `pad` (0..MAX_PADS-1) at rest, letting go of whatever it held: when it is plugged in,
// and when it is pulled out.
void pad_reset(int pad);

// A stick's or trigger's new value (beyond -32768..32767 it is held at the end), or a button
// going down or up, on pad `pad`. Out-of-range pads, axes and buttons are ignored.
void pad_set_axis(int pad, int axis, int value);
void pad_set_button(int pad, int button, bool down);

// Whether any pad does `action` now, or began to since this action was last read: a button
// tapped between two reads counts once. The read clears it; read each action at most once per
// tick or frame.
bool pad_action(PadAction action);

// Whether any pad began to do `action` since this was last asked: each press once, read apart
// from pad_action.
bool pad_action_pressed(PadAction action);

// Forgets every press begun and not yet read, and takes no action held now for held until it is
// let go, as after the options screen closes.
void pad_forget_presses();

// How far the right stick moves the aiming cross in one tick, in the picture's game pixels:
// nothing inside the dead zone, and beyond it faster the further the stick is pushed, so that
// held full over it crosses the picture in a second. The pad pushed furthest on each axis wins.
void pad_cross_step(float *dx, float *dy);
