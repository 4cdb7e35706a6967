// How the game's window presents itself to the desktop: its names and its icon.
#pragma once

// The window's instance and class names and its icon, for every window the windowing library
// opens from the first; called before the windowing library starts.
void present_game_windows();
