// The gamepads plugged in, as the platform finds them, fed to the game's mapping
// (pad_mapping.h). Each platform has its own file: gamepad_sdl.cpp, SDL's game controllers, for
// Linux and Windows; web/gamepad_web.cpp, the Gamepad API, for the browser. Called from the
// main loop's thread. Without a pad, or without a way to find one, nothing changes.
#pragma once

// Starts watching for pads; after the audio has started.
void start_gamepads();

// Brings the mapping up to date: every pad's sticks, triggers and buttons, and the pads plugged
// in or pulled out, since the last call. Once a frame, before the frame's ticks.
void poll_gamepads();
