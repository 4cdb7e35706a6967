// How the game presents itself to the desktop: its window's names and icon, and the texts it
// shows without a window.
#pragma once

// The window's instance and class names and its icon, for every window the windowing library
// opens from the first; called before the windowing library starts.
void present_game_windows();

// Shows a text to the player where the platform shows a windowless program's texts: on
// standard output, or standard error for a problem, on Linux; in a message box on Windows,
// where a program with a window has no console. Needs no windowing library.
void show_text(const char *text, bool problem);
