// How the game is ended from outside: Ctrl+C and a logout's signals, and a lost display.
// Each platform has its own file in x11/, windows/ and web/.
#pragma once

// From here on, on X11, SIGINT, SIGTERM and SIGHUP ask the main loop to quit, and a lost X
// display ends the game at once with status 1 and a line on standard error. Called once the
// windowing library has installed its own signal handlers, which these replace: its
// exit-time work, run from a signal or from Xlib's exit on a lost display, can abort or
// deadlock with its input thread. On Windows there is nothing to install.
void install_endings();

// Whether a signal has asked the game to quit.
bool quit_signalled();

// After the shutdown: if a signal asked the game to quit, ends the process by that same
// signal, so that whoever started it sees it ended by that signal; otherwise returns.
void end_by_quit_signal();
