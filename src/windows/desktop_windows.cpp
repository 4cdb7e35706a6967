// The game's window on a Windows desktop: the windowing library names its own window class,
// and gives the window the program's icon resource named "allegro_icon" (haystack.rc). Texts
// show in message boxes titled as the window; the line to share goes on the clipboard.
#include "desktop.h"

#include <windows.h>
#include <cstdio>
#include <cstring>

const char *const BOX_TITLE = "Haystack"; // the message boxes' title, the window's

void present_game_windows() {
    // Nothing to set at run time: both come from the program file itself.
}

void show_text(const char *text, bool problem) {
    MessageBoxA(nullptr, text, BOX_TITLE, problem ? MB_ICONERROR : MB_ICONINFORMATION);
}

std::FILE *script_output() {
    // A program with a window starts with no console: a pipe or file it was given is its
    // standard output already; else it writes to the console of the command that started it.
    HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    bool redirected =
        given && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN;
    if (!redirected && AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stdout);
    return stdout;
}

void give_line_to_share(const char *line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
    size_t size = std::strlen(line) + 1;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        return;
    std::memcpy(GlobalLock(copy), line, size);
    GlobalUnlock(copy);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        if (SetClipboardData(CF_TEXT, copy))
            copy = nullptr; // the clipboard owns it now
        CloseClipboard();
    }
    if (copy)
        GlobalFree(copy);
}

void keep_line_to_share_offered() {
    // Windows keeps what is on its clipboard itself.
}

void report_progress_to_page() {
    // A window on the desktop has no page around it to tell.
}
