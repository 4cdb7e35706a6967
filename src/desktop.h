// How the game presents itself to the desktop: its window's names and icon, the texts it shows
// without a window, the line it gives the player to share, and in a browser the page around it.
#pragma once

#include <cstdio>

// The window's instance and class names and its icon, for every window the windowing library
// opens from the first; in a browser, the page's own controls and the fingers on its canvas
// handed to the game, and the keys the game reads kept from the page. Called before the
// windowing library starts.
void present_game_windows();

// Shows a text to the player where the platform shows a windowless program's texts: on
// standard output, or standard error for a problem, on Linux; in a message box on Windows,
// where a program with a window has no console; in the browser's console, and a problem on the
// page too. Needs no windowing library.
void show_text(const char *text, bool problem);

// Where lines that a script reads go, such as --verify's: standard output; on Windows the
// console or pipe the program was started from, never a message box. Needs no windowing library.
std::FILE *script_output();

// Gives the player `line` to share after a win: on standard output, and on the clipboard where
// the platform has one the game can fill (on X11, for as long as the game runs and nothing
// else is copied); in the browser, behind the page's Share control.
void give_line_to_share(const char *line);

// Answers whoever asks for the line on the clipboard; called once a frame.
void keep_line_to_share_offered();

// Tells the page around the game how the game goes, once a frame after it is shown: in a
// browser, the game's stage for the page's controls, and for its tests the field, the world,
// the ticks, where the player stands and looks, and the frames shown. A desktop window has no
// page around it.
void report_progress_to_page();
