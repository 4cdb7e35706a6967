// The game's window on a Windows desktop: fullscreen as a borderless window over its monitor,
// its size read back, and the work area.
#include "screen.h"

#include <allegro.h>
#include <winalleg.h>

static LONG saved_style = 0; // the window's style before it went fullscreen
static RECT saved_place;     // and its place on the desktop, frame included

void find_work_area(int *width, int *height) {
    RECT area = {0, 0, 640, 480}, frame = {0, 0, 0, 0};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE); // the frame round a window's inside
    *width = (area.right - area.left) - (frame.right - frame.left);
    *height = (area.bottom - area.top) - (frame.bottom - frame.top);
}

bool fullscreen_offered() {
    return true;
}

void set_fullscreen(bool on) {
    HWND window = win_get_window();
    if (on) {
        saved_style = GetWindowLong(window, GWL_STYLE);
        GetWindowRect(window, &saved_place);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfo(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT &m = monitor.rcMonitor;
        SetWindowLong(window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        SetWindowPos(window, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else if (saved_style) {
        const RECT &r = saved_place;
        SetWindowLong(window, GWL_STYLE, saved_style);
        SetWindowPos(window, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
}

void read_window_size(int *width, int *height) {
    RECT inside = {0, 0, SCREEN_W, SCREEN_H};
    GetClientRect(win_get_window(), &inside);
    *width = inside.right - inside.left;
    *height = inside.bottom - inside.top;
}

void read_pointer(int *x, int *y) {
    POINT at = {mouse_x, mouse_y};
    if (GetCursorPos(&at))
        ScreenToClient(win_get_window(), &at);
    *x = at.x;
    *y = at.y;
}

bool window_choices_offered() {
    return true;
}

void set_window_size(int width, int height) {
    HWND window = win_get_window();
    RECT frame = {0, 0, width, height}; // the inside asked for, grown by the window's frame
    AdjustWindowRect(&frame, GetWindowLong(window, GWL_STYLE), FALSE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}
