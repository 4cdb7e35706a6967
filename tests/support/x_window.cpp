// Finding a window on an X display from outside the program that opened it.
#include "x_window.h"

#include <X11/Xutil.h>
#include <string>

static bool titled(Display *dpy, Window window, const char *title) {
    char *name = nullptr;
    bool same = XFetchName(dpy, window, &name) && std::string(title) == name;
    if (name)
        XFree(name);
    return same;
}

// Such a window among the children of `parent`, or, `depth` more levels down, theirs.
static Window find_below(Display *dpy, Window parent, int depth, int width, int height,
                         const char *title) {
    Window root, up, *children = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(dpy, parent, &root, &up, &children, &count);
    for (unsigned i = 0; i < count && !found; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
            (!width || (a.width == width && a.height == height)) &&
            (!title || titled(dpy, children[i], title)))
            found = children[i];
    }
    for (unsigned i = 0; i < count && !found && depth > 0; i++)
        found = find_below(dpy, children[i], depth - 1, width, height, title);
    if (children)
        XFree(children);
    return found;
}

Window find_window(Display *dpy, int width, int height, const char *title) {
    return find_below(dpy, DefaultRootWindow(dpy), 1, width, height, title);
}
