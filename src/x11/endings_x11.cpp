// How the game is ended from outside: Ctrl+C and a logout's signals, and a lost display.
#include "endings.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>
#include <atomic>

const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP}; // Ctrl+C; a logout or kill; a lost terminal
const unsigned WATCHDOG_SECONDS = 2; // how long the shutdown may take after the first signal
const int DISPLAY_LOST_STATUS = 1;   // the exit status Xlib itself gives a lost display
const char DISPLAY_LOST[] = "haystack: the connection to the X display was lost\n"; // on stderr

static std::atomic<int> quit_signal{0}; // the signal that asked the game to quit; 0: none yet
static_assert(std::atomic<int>::is_always_lock_free,
              "signal handlers may only use lock-free atomics");

// A quit signal: the first asks the main loop to quit and starts the watchdog; a second
// one ends the process at once.
static void on_quit_signal(int signal) {
    if (quit_signal.exchange(signal) != 0)
        _exit(128 + signal);
    alarm(WATCHDOG_SECONDS);
}

// The watchdog: the shutdown did not finish in time, so the process ends without it.
static void on_watchdog(int) {
    _exit(128 + quit_signal);
}

// Xlib's call when the display connection breaks. Returning would let Xlib call exit,
// whose exit handlers include the windowing library's, which can deadlock; _exit also
// takes the music's thread down with the process.
static int on_display_lost(Display *) {
    if (write(STDERR_FILENO, DISPLAY_LOST, sizeof DISPLAY_LOST - 1) < 0) {
        // nothing more can be done about a message that could not be written
    }
    _exit(DISPLAY_LOST_STATUS);
}

// Runs `handler` on `signal`, with the other quit signals held off while it runs.
static void handle(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int held : QUIT_SIGNALS)
        sigaddset(&action.sa_mask, held);
    sigaction(signal, &action, nullptr);
}

void install_endings() {
    for (int signal : QUIT_SIGNALS)
        handle(signal, on_quit_signal);
    handle(SIGALRM, on_watchdog);
    XSetIOErrorHandler(on_display_lost);
}

bool quit_signalled() {
    return quit_signal != 0;
}

void end_by_quit_signal() {
    int signal = quit_signal;
    if (signal == 0)
        return;
    handle(signal, SIG_DFL);
    raise(signal);
    _exit(128 + signal); // only if the signal is blocked in this thread
}
