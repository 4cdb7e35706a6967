// The command line: --help, --version, --scale N and --fullscreen, read in GNU style.
#include "options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const USAGE = // the whole of --help
    "Usage: haystack [OPTION]...\n"
    "Find the blue needle in a mound of straw, a small 3D game.\n"
    "\n"
    "      --scale N     play in a window N times 640x480 (at most what fits the screen)\n"
    "      --fullscreen  play on the whole screen, the picture 4:3 between black bars\n"
    "      --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Alt+Enter or F11 switches between window and fullscreen while playing. The last\n"
    "choice is remembered for the next game; an option given here replaces it.\n";
const char *const VERSION_LINE = "haystack " HAYSTACK_VERSION "\n"; // what --version prints
const char *const TRY_HELP = "Try 'haystack --help' for more information.\n"; // after a problem

// Fills in the problem and turns the outcome to a refusal; returns the options.
static Options refuse(Options options, const char *format, const char *what) {
    options.outcome = OPTIONS_BAD;
    std::snprintf(options.problem, sizeof options.problem, format, what);
    return options;
}

// A whole number from 1 up written in plain decimal digits, held to MAX_SCALE_OPTION; 0 if the
// text is no such number.
static int scale_value(const char *text) {
    size_t digits = std::strspn(text, "0123456789");
    if (!*text || text[digits] != '\0')
        return 0;
    bool long_number = digits - std::strspn(text, "0") > 3; // past 999 once leading 0s are gone
    return long_number ? MAX_SCALE_OPTION : std::min(std::atoi(text), MAX_SCALE_OPTION);
}

Options read_options(int argc, char **argv) {
    Options options = {OPTIONS_PLAY, 0, false, ""};
    for (int i = 1; i < argc && options.outcome == OPTIONS_PLAY; i++) {
        const char *arg = argv[i];
        if (!std::strcmp(arg, "--help"))
            options.outcome = OPTIONS_HELP;
        else if (!std::strcmp(arg, "--version"))
            options.outcome = OPTIONS_VERSION;
        else if (!std::strcmp(arg, "--fullscreen"))
            options.fullscreen = true;
        else if (!std::strcmp(arg, "--scale") || !std::strncmp(arg, "--scale=", 8)) {
            const char *value = arg[7] == '=' ? arg + 8 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!value)
                return refuse(options, "haystack: option '%s' needs a number\n", arg);
            options.scale = scale_value(value);
            if (!options.scale)
                return refuse(options,
                              "haystack: invalid scale '%s': give a whole number from 1 up\n",
                              value);
        } else if (arg[0] == '-' && arg[1])
            return refuse(options, "haystack: unrecognized option '%s'\n", arg);
        else
            return refuse(options, "haystack: unexpected argument '%s'\n", arg);
    }
    return options;
}
