// The game's connections to the X server, tried again for about a second while a busy server
// turns them away for a moment ("try again", EAGAIN); any other failure is given up at once.
//
// The windowing library opens its display with XOpenDisplay as it starts, and gives up at the
// first refusal. The game defines XOpenDisplay itself, so that the dynamic linker binds the
// library's call here, and passes each try on to libX11's own, the next definition in line.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <cerrno>
#include <ctime>

const int CONNECT_TRIES = 20;                   // tries in all before a refusal is final
const long CONNECT_PAUSE_NS = 50 * 1000000L;    // between two tries: 50 ms, about 1 s in all
using OpenDisplay = Display *(*)(const char *); // XOpenDisplay's type

// libX11's XOpenDisplay (or whatever stands next in line in front of it); null if none.
static OpenDisplay next_open_display() {
    static OpenDisplay next = reinterpret_cast<OpenDisplay>(dlsym(RTLD_NEXT, "XOpenDisplay"));
    return next;
}

// Waits between two tries to connect.
static void pause_before_next_try() {
    timespec pause = {0, CONNECT_PAUSE_NS};
    nanosleep(&pause, nullptr);
}

extern "C" Display *XOpenDisplay(const char *name) {
    OpenDisplay open_display = next_open_display();
    if (!open_display)
        return nullptr;
    for (int tries = 1;; tries++) {
        errno = 0;
        Display *display = open_display(name);
        if (display || errno != EAGAIN || tries == CONNECT_TRIES)
            return display;
        pause_before_next_try();
    }
}
