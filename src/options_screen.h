// The options screen over the game: the music's volume, comfort, speeds, the keys and the
// window, chosen with the keys, a pad, the mouse or a finger, each change kept at once; while
// it is open the game stands still. Also the keys that work outside it: the options key
// opens it, the mute key turns the music off and on.
#pragma once

extern bool options_open; // the options screen shows, and the game is paused

// Once a frame, before the ticks: opens or closes the screen when asked (its key, a pad's
// Start once play has begun, the page's Options control), takes its input while it is open,
// and turns the music off or on at the mute key.
void watch_options_screen();

// Draws the screen over the picture, in window coordinates, when it is open.
void draw_options_screen();

// Applies the settings in force to the music: its volume now.
void apply_music_setting();
