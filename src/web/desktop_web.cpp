// The game's page in a browser tab: its title and icon are the page's own (index.html), and its
// controls are handed to the game before the canvas opens; texts go to the browser's console,
// and a problem to the page as well; the line to share goes to the page's Share control, and
// the page learns how the game goes.
#include "desktop.h"

#include <emscripten.h>
#include <cstdio>

#include "page_web.h"

void present_game_windows() {
    offer_game_to_page();
}

// The page says `text`, a problem that stops the game before it starts (Module.onProblem).
// clang-format off
EM_JS(void, tell_page_problem, (const char *text), {
    if (Module.onProblem)
        Module.onProblem(UTF8ToString(text));
});
// clang-format on

void show_text(const char *text, bool problem) {
    std::fputs(text, problem ? stderr : stdout);
    if (problem)
        tell_page_problem(text);
}

std::FILE *script_output() {
    return stdout;
}

// The page keeps `line` for its Share control, Module.lineToShare, and shows the control.
// clang-format off
EM_JS(void, offer_line_to_page, (const char *line), {
    Module.lineToShare = UTF8ToString(line);
    if (Module.onLineToShare)
        Module.onLineToShare(Module.lineToShare);
});
// clang-format on

void give_line_to_share(const char *line) {
    std::printf("%s\n", line);
    offer_line_to_page(line);
}

void keep_line_to_share_offered() {}

void report_progress_to_page() {
    report_game_to_page();
}
