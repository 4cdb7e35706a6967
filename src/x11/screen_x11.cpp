// The game's window on an X11 desktop: fullscreen asked of the window manager, its size read
// back, and its work area.
#include "screen.h"

#include <allegro.h>
#include <xalleg.h>
#include <allegro/platform/aintunix.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

const long NET_WM_STATE_REMOVE = 0; // the window-manager request's action: take a state away
const long NET_WM_STATE_ADD = 1;    // or give it
const long FROM_APPLICATION = 1;    // the request comes from a program, not a pager
const int WORK_AREA_NUMBERS = 4;    // x, y, width and height of the first desktop's work area
const int MAX_SUPPORTED = 256;      // the most window-manager features looked through
static XSizeHints saved_hints;      // the window's size hints before fullscreen cleared them
static long saved_hint_fields = 0;  // which of them it had, as XGetWMNormalHints says

// The atom `name` on the game's display; call within XLOCK.
static Atom atom(const char *name) {
    return XInternAtom(_xwin.display, name, False);
}

// The root window's property `name` as up to `count` longs into `values`; how many it held.
static unsigned long root_longs(const char *name, Atom type, long *values, unsigned long count) {
    Atom got_type;
    int format;
    unsigned long got = 0, after;
    unsigned char *data = nullptr;
    Window root = DefaultRootWindow(_xwin.display);
    if (XGetWindowProperty(_xwin.display, root, atom(name), 0, 1024, False, type, &got_type,
                           &format, &got, &after, &data) != Success ||
        format != 32 || !data)
        got = 0;
    for (unsigned long i = 0; i < got && i < count; i++)
        values[i] = reinterpret_cast<long *>(data)[i];
    if (data)
        XFree(data);
    return got < count ? got : count;
}

void find_work_area(int *width, int *height) {
    long area[WORK_AREA_NUMBERS];
    XLOCK();
    *width = DisplayWidth(_xwin.display, _xwin.screen);
    *height = DisplayHeight(_xwin.display, _xwin.screen);
    if (root_longs("_NET_WORKAREA", XA_CARDINAL, area, WORK_AREA_NUMBERS) == WORK_AREA_NUMBERS) {
        *width = int(area[2]);
        *height = int(area[3]);
    }
    XUNLOCK();
}

bool fullscreen_offered() {
    long supported[MAX_SUPPORTED];
    XLOCK();
    Atom fullscreen = atom("_NET_WM_STATE_FULLSCREEN");
    unsigned long count = root_longs("_NET_SUPPORTED", XA_ATOM, supported, MAX_SUPPORTED);
    XUNLOCK();
    bool offered = false;
    for (unsigned long i = 0; i < count; i++)
        offered = offered || Atom(supported[i]) == fullscreen;
    return offered;
}

// The window's fixed size (the windowing library pins its least and largest size to the
// window's) taken away, so the window manager may stretch it; or given back. Within XLOCK.
static void free_window_size(bool freed) {
    if (freed) {
        XGetWMNormalHints(_xwin.display, _xwin.window, &saved_hints, &saved_hint_fields);
        XSizeHints loose = saved_hints;
        loose.flags &= ~(PMinSize | PMaxSize);
        XSetWMNormalHints(_xwin.display, _xwin.window, &loose);
    } else if (saved_hint_fields) {
        XSetWMNormalHints(_xwin.display, _xwin.window, &saved_hints);
    }
}

// The _NET_WM_STATE request to add or remove fullscreen, sent to the root window where the
// window manager listens. Within XLOCK.
static void ask_window_manager(bool on) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = _xwin.window;
    e.xclient.message_type = atom("_NET_WM_STATE");
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? NET_WM_STATE_ADD : NET_WM_STATE_REMOVE;
    e.xclient.data.l[1] = long(atom("_NET_WM_STATE_FULLSCREEN"));
    e.xclient.data.l[3] = FROM_APPLICATION;
    XSendEvent(_xwin.display, DefaultRootWindow(_xwin.display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void set_fullscreen(bool on) {
    XLOCK();
    if (on)
        free_window_size(true);
    ask_window_manager(on);
    if (!on)
        free_window_size(false);
    XFlush(_xwin.display);
    XUNLOCK();
}

void read_window_size(int *width, int *height) {
    XWindowAttributes a;
    XLOCK();
    bool read = XGetWindowAttributes(_xwin.display, _xwin.window, &a);
    XUNLOCK();
    *width = read ? a.width : SCREEN_W;
    *height = read ? a.height : SCREEN_H;
}

void read_pointer(int *x, int *y) {
    Window root, child;
    int root_x, root_y;
    unsigned buttons;
    XLOCK();
    bool read =
        XQueryPointer(_xwin.display, _xwin.window, &root, &child, &root_x, &root_y, x, y, &buttons);
    XUNLOCK();
    if (!read) { // on another screen: where the windowing library last saw it
        *x = mouse_x;
        *y = mouse_y;
    }
}

bool window_choices_offered() {
    return true;
}

void set_window_size(int width, int height) {
    XSizeHints hints = {};
    long fields = 0;
    XLOCK();
    XGetWMNormalHints(_xwin.display, _xwin.window, &hints, &fields);
    hints.flags |= PMinSize | PMaxSize; // pinned to the new size, as the first was
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(_xwin.display, _xwin.window, &hints);
    XResizeWindow(_xwin.display, _xwin.window, width, height);
    XFlush(_xwin.display);
    XUNLOCK();
}
