// The command line: what the player asked for, or what was wrong with it.
#pragma once

const int MAX_SCALE_OPTION = 100; // a larger --scale is read as this; the screen caps it further

enum OptionsOutcome { OPTIONS_PLAY, OPTIONS_HELP, OPTIONS_VERSION, OPTIONS_BAD };

struct Options {
    OptionsOutcome outcome; // play, or answer --help / --version, or refuse the command line
    int scale;              // 1..MAX_SCALE_OPTION from --scale, 0 when not given
    bool fullscreen;        // --fullscreen was given
    char problem[200];      // for OPTIONS_BAD: one line naming what is wrong, with its newline
};

// Reads the options in GNU style: --help, --version, --fullscreen, --scale N and --scale=N.
Options read_options(int argc, char **argv);

// The text --help prints, and the one line --version prints, each ending in a newline.
extern const char *const USAGE;
extern const char *const VERSION_LINE;

// What to add after a problem, pointing to --help.
extern const char *const TRY_HELP;
