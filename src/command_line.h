// The command line: what the player asked for, or what was wrong with it.
#pragma once

const int MAX_SCALE_OPTION = 100; // a larger --scale is read as this; the screen caps it further
const int MAX_SET_OPTIONS = 32;   // --set NAME=VALUE given at most this often

enum CommandLineOutcome {
    COMMAND_PLAY,
    COMMAND_HELP,
    COMMAND_VERSION,
    COMMAND_VERIFY,
    COMMAND_BAD
};

struct CommandLine {
    CommandLineOutcome outcome;       // play, or answer --help / --version, or refuse it
    int scale;                        // 1..MAX_SCALE_OPTION from --scale, 0 when not given
    bool fullscreen;                  // --fullscreen was given
    int sets;                         // how many --set were given, 0..MAX_SET_OPTIONS
    const char *set[MAX_SET_OPTIONS]; // each --set's NAME=VALUE, as given, in order
    long field;                       // 1..MAX_FIELD from --field, 0 when not given
    bool daily;                       // --daily was given: the field of the day
    const char *replay;               // --replay's file, to watch; null when not given
    int verifies;                     // for COMMAND_VERIFY: how many files --verify names
    char *const *verify;              // and where they start among the arguments
    char problem[200];                // for COMMAND_BAD: one line naming what is wrong
};

// Reads the command line in GNU style: --help, --version, --fullscreen, --scale N, --scale=N,
// --set NAME=VALUE, --set=NAME=VALUE, --field N, --field=N, --daily, --replay FILE and
// --verify FILE... (every argument after it a file). A --set's setting is not checked here.
CommandLine read_command_line(int argc, char **argv);

// The text --help prints, and the one line --version prints, each ending in a newline.
extern const char *const USAGE;
extern const char *const VERSION_LINE;

// What to add after a problem, pointing to --help.
extern const char *const TRY_HELP;
