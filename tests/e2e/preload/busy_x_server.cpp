// Preloaded into the game: an X server too busy to take a connection, as a server flooded by
// other clients is. Its first BUSY_X_REFUSALS calls to XOpenDisplay (-1: every call) fail as
// libX11's do then, with errno EAGAIN; later calls connect. Each call appends a line to the
// file BUSY_X_CALLS, when set, so that a test can count the tries.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

static int calls = 0; // XOpenDisplay calls so far

// Notes one more call in the file the test reads, if it named one.
static void note_call() {
    const char *path = std::getenv("BUSY_X_CALLS");
    if (FILE *log = path ? std::fopen(path, "a") : nullptr) {
        std::fputs("XOpenDisplay\n", log);
        std::fclose(log);
    }
}

extern "C" Display *XOpenDisplay(const char *name) {
    note_call();
    const char *refusals = std::getenv("BUSY_X_REFUSALS");
    int refused = refusals ? std::atoi(refusals) : 0;
    if (refused < 0 || calls++ < refused) {
        errno = EAGAIN;
        return nullptr;
    }
    using OpenDisplay = Display *(*)(const char *);
    return reinterpret_cast<OpenDisplay>(dlsym(RTLD_NEXT, "XOpenDisplay"))(name);
}
