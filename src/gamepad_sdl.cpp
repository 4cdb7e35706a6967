// Gamepads on the desktop through SDL's game controllers, beside the audio and without SDL's
// video: SDL names the pads it knows (and those SDL_GAMECONTROLLERCONFIG adds) in the standard
// layout, and ignores every other joystick.
#include "gamepad.h"

#include <SDL.h>

#include "pad_mapping.h"

static bool watching = false;                     // SDL's game controllers started
static SDL_GameController *controllers[MAX_PADS]; // the pads driving; null: a free place
static SDL_JoystickID instances[MAX_PADS];        // SDL's lasting name for each of them

void start_gamepads() {
    // Windows' raw input back end takes an Xbox pad from XInput, yet under wine it is sent no
    // input at all: XInput, DirectInput and HIDAPI serve every pad without it. The environment's
    // SDL_JOYSTICK_RAWINPUT still wins over this.
    SDL_SetHint(SDL_HINT_JOYSTICK_RAWINPUT, "0");
    watching = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

// The place of the pad SDL calls `instance`; -1 for none.
static int place_of(SDL_JoystickID instance) {
    for (int pad = 0; pad < MAX_PADS; pad++)
        if (controllers[pad] && instances[pad] == instance)
            return pad;
    return -1;
}

// The first place no pad drives from; -1 when all are taken.
static int free_place() {
    for (int pad = 0; pad < MAX_PADS; pad++)
        if (!controllers[pad])
            return pad;
    return -1;
}

// Everything the pad at `pad` holds now, as it was when it was plugged in.
static void read_whole_pad(int pad) {
    SDL_GameController *c = controllers[pad];
    for (int axis = 0; axis < PAD_AXES; axis++)
        pad_set_axis(pad, axis, SDL_GameControllerGetAxis(c, SDL_GameControllerAxis(axis)));
    for (int button = 0; button < PAD_BUTTONS; button++)
        pad_set_button(pad, button,
                       SDL_GameControllerGetButton(c, SDL_GameControllerButton(button)));
}

// A game controller plugged in (or found at the start) as joystick `device`: it drives from now
// on, in the first free place, if SDL maps it as a gamepad.
static void plug_in(int device) {
    if (!SDL_IsGameController(device) || place_of(SDL_JoystickGetDeviceInstanceID(device)) >= 0)
        return;
    int pad = free_place();
    if (pad < 0)
        return;
    SDL_GameController *c = SDL_GameControllerOpen(device);
    if (!c)
        return;
    controllers[pad] = c;
    instances[pad] = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
    pad_reset(pad);
    read_whole_pad(pad);
}

// A pad pulled out: it lets go of everything it held.
static void pull_out(SDL_JoystickID instance) {
    int pad = place_of(instance);
    if (pad < 0)
        return;
    SDL_GameControllerClose(controllers[pad]);
    controllers[pad] = nullptr;
    pad_reset(pad);
}

static void take_event(const SDL_Event &e) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        plug_in(e.cdevice.which);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        pull_out(e.cdevice.which);
        break;
    case SDL_CONTROLLERAXISMOTION:
        pad_set_axis(place_of(e.caxis.which), e.caxis.axis, e.caxis.value);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        pad_set_button(place_of(e.cbutton.which), e.cbutton.button, e.cbutton.state == SDL_PRESSED);
        break;
    }
}

void poll_gamepads() {
    if (!watching)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        take_event(e);
}
