// The command line: --help, --version, --scale N, --fullscreen, --set, --field N, --daily,
// --replay FILE and --verify FILE..., read in GNU style.
#include "command_line.h"

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
    "      --set NAME=VALUE\n"
    "                    use a setting for this game only, as haystack.conf would hold\n"
    "                    it (for example --set music=0); may be given again\n"
    "      --field N     search numbered field N (1 to 99999999): the same world for\n"
    "                    everyone who plays that number\n"
    "      --daily       search the field of the day, numbered by today's date in UTC\n"
    "                    (YYYYMMDD): the same field for everyone that day\n"
    "      --replay FILE watch the search a replay file keeps (Space pauses, Right and\n"
    "                    Left speed it up and down, R starts it again)\n"
    "      --verify FILE...\n"
    "                    play each replay through without a window and say whether it\n"
    "                    finds the needle, and how fast; exit 0 when all do\n"
    "      --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Alt+Enter or F11 switches between window and fullscreen while playing. The last\n"
    "choice is remembered for the next game; an option given here replaces it.\n"
    "Tab opens the options screen: music, comfort, speeds and keys. M turns the\n"
    "music off and on. After a win, N starts a new field and R watches the search\n"
    "again. Each won search is kept as last.hsr in ~/.local/share/haystack/replays.\n";
const char *const VERSION_LINE = "haystack " HAYSTACK_VERSION "\n"; // what --version prints
const char *const TRY_HELP = "Try 'haystack --help' for more information.\n"; // after a problem

// Fills in the problem and turns the outcome to a refusal; returns the options.
static CommandLine refuse(CommandLine options, const char *format, const char *what) {
    options.outcome = COMMAND_BAD;
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

// A field's number, 1..MAX_FIELD in plain decimal digits; 0 if the text is no such number.
static long field_value(const char *text) {
    size_t digits = std::strspn(text, "0123456789");
    if (!*text || text[digits] != '\0' || digits - std::strspn(text, "0") > 8)
        return 0;
    return std::atol(text);
}

// The value of an option `name` given as "--name VALUE" or "--name=VALUE" at argv[*i], moving
// *i past it; null when it is not that option, or when its value is missing.
static const char *value_of(const char *name, int argc, char **argv, int *i, bool *given) {
    size_t length = std::strlen(name);
    const char *arg = argv[*i];
    *given = !std::strncmp(arg, name, length) && (arg[length] == '\0' || arg[length] == '=');
    if (!*given)
        return nullptr;
    if (arg[length] == '=')
        return arg + length + 1;
    return *i + 1 < argc ? argv[++*i] : nullptr;
}

CommandLine read_command_line(int argc, char **argv) {
    CommandLine options = {COMMAND_PLAY, 0, false, 0, {}, 0, false, nullptr, 0, nullptr, ""};
    for (int i = 1; i < argc && options.outcome == COMMAND_PLAY; i++) {
        const char *arg = argv[i];
        bool given;
        const char *set = value_of("--set", argc, argv, &i, &given);
        if (given && (!set || !std::strchr(set, '=')))
            return refuse(options, "haystack: option '--set' needs NAME=VALUE, not '%s'\n",
                          set ? set : "");
        if (given && options.sets == MAX_SET_OPTIONS)
            return refuse(options, "haystack: too many --set options at '%s'\n", set);
        if (given) {
            options.set[options.sets++] = set;
            continue;
        }
        const char *field = value_of("--field", argc, argv, &i, &given);
        if (given && !field)
            return refuse(options, "haystack: option '%s' needs a number\n", arg);
        if (given && !(options.field = field_value(field)))
            return refuse(options,
                          "haystack: invalid field '%s': give a whole number from 1 to 99999999\n",
                          field);
        if (given)
            continue;
        const char *replay = value_of("--replay", argc, argv, &i, &given);
        if (given && !replay)
            return refuse(options, "haystack: option '%s' needs a file\n", arg);
        if (given) {
            options.replay = replay;
            continue;
        }
        if (!std::strcmp(arg, "--verify")) {
            if (i + 1 >= argc)
                return refuse(options, "haystack: option '%s' needs a file\n", arg);
            options.outcome = COMMAND_VERIFY;
            options.verify = argv + i + 1;
            options.verifies = argc - i - 1;
            break;
        }
        if (!std::strcmp(arg, "--help"))
            options.outcome = COMMAND_HELP;
        else if (!std::strcmp(arg, "--version"))
            options.outcome = COMMAND_VERSION;
        else if (!std::strcmp(arg, "--daily"))
            options.daily = true;
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
    if (options.outcome == COMMAND_PLAY && options.field && options.daily)
        return refuse(options, "haystack: give %s, not both\n", "--field N or --daily");
    if (options.outcome == COMMAND_PLAY && options.replay && (options.field || options.daily))
        return refuse(options, "haystack: give %s, not both\n", "--replay or a field");
    return options;
}
