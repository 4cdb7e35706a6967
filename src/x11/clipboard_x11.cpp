// The line to share on the X clipboard: a connection and a window of the game's own, unseen,
// which own the clipboard and hand the line to whoever pastes it, until something else is
// copied or the game ends.
#include "desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdio>
#include <cstring>

const int LINE_SIZE = 256;   // bytes the line on offer may take, its end included
const int OFFERED_TYPES = 4; // what the line can be had as: the list itself, then three texts

static Display *display;        // the game's own connection for the clipboard; null till used
static Window owner;            // its unseen window, which owns the clipboard
static Atom clipboard;          // the CLIPBOARD selection, where Ctrl+V looks
static Atom utf8_text;          // UTF8_STRING, the text type programs ask for first
static Atom plain_text;         // TEXT, text of the owner's choosing
static Atom types;              // TARGETS: asks which types the line can be had as
static char offered[LINE_SIZE]; // the line on offer; empty once another program took over

// The connection, its window and the names, the first time the clipboard is wanted; false when
// there is no display to own a clipboard on.
static bool open_clipboard() {
    if (display)
        return true;
    display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    clipboard = XInternAtom(display, "CLIPBOARD", False);
    utf8_text = XInternAtom(display, "UTF8_STRING", False);
    plain_text = XInternAtom(display, "TEXT", False);
    types = XInternAtom(display, "TARGETS", False);
    return true;
}

// Puts the line, or the list of its types, on the asker's window, and tells it so; a type
// the line cannot be had as is refused.
static void answer(const XSelectionRequestEvent &request) {
    XSelectionEvent reply = {};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    Atom property = request.property != None ? request.property : request.target;
    bool text =
        request.target == utf8_text || request.target == XA_STRING || request.target == plain_text;
    if (request.target == types) {
        Atom list[OFFERED_TYPES] = {types, utf8_text, XA_STRING, plain_text};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(list), OFFERED_TYPES);
        reply.property = property;
    } else if (text && offered[0]) {
        Atom type = request.target == plain_text ? utf8_text : request.target;
        XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                        reinterpret_cast<unsigned char *>(offered), int(std::strlen(offered)));
        reply.property = property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&reply));
    XFlush(display);
}

void give_line_to_share(const char *line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
    if (!open_clipboard())
        return;
    std::snprintf(offered, sizeof offered, "%s", line);
    XSetSelectionOwner(display, clipboard, owner, CurrentTime);
    XFlush(display);
}

void keep_line_to_share_offered() {
    while (display && XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest)
            answer(event.xselectionrequest);
        else if (event.type == SelectionClear)
            offered[0] = '\0';
    }
}
