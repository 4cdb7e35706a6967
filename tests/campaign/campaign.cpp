// What both bad-input campaigns share: options, seeded randomness, files, the dying note.
#include "campaign.h"

#include <sanitizer/common_interface_defs.h>
#include <unistd.h>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const uint64_t SPLITMIX_STEP = 0x9e3779b97f4a7c15ull;  // splitmix64's golden-ratio increment
const uint64_t SPLITMIX_MUL_A = 0xbf58476d1ce4e5b9ull; // splitmix64's first mixing multiplier
const uint64_t SPLITMIX_MUL_B = 0x94d049bb133111ebull; // splitmix64's second mixing multiplier
const uint64_t INPUT_STRIDE = 0xd6e8feb86659fd93ull;   // spreads input indices over the states
const long NO_COUNT = -1;                              // no input count given yet
const int NOTE_BYTES = 1024;                           // longest dying note kept, bytes

static char dying_note[NOTE_BYTES]; // said on stderr if the run dies on the current input

static void usage(const char *program) {
    std::fprintf(stderr, "usage: %s [--seed S] [--inputs N] [--first K] [--seconds T] [--dir D]\n",
                 program);
}

// The value after option `argv[i]`, or null when there is none.
static const char *option_value(int argc, char **argv, int i) {
    return i + 1 < argc ? argv[i + 1] : nullptr;
}

// Sets the option named `name` from `value`; false when the name or value is not understood.
static bool set_option(CampaignOptions &options, const char *name, const char *value) {
    char *end = nullptr;
    if (!std::strcmp(name, "--seed"))
        options.seed = std::strtoull(value, &end, 0);
    else if (!std::strcmp(name, "--inputs"))
        options.inputs = std::strtol(value, &end, 0);
    else if (!std::strcmp(name, "--first"))
        options.first = std::strtol(value, &end, 0);
    else if (!std::strcmp(name, "--seconds"))
        options.seconds = std::strtod(value, &end);
    else if (!std::strcmp(name, "--dir")) {
        options.dir = value;
        return !options.dir.empty();
    }
    return end && end != value && *end == '\0';
}

bool read_options(int argc, char **argv, CampaignOptions &options) {
    long default_inputs = options.inputs;
    options.inputs = NO_COUNT;
    for (int i = 1; i < argc; i += 2) {
        const char *value = option_value(argc, argv, i);
        if (!value || !set_option(options, argv[i], value)) {
            usage(argv[0]);
            return false;
        }
    }
    if (options.inputs == NO_COUNT)
        options.inputs = options.seconds > 0 ? LONG_MAX : default_inputs;
    if (options.inputs < 0 || options.first < 0 || options.seconds < 0) {
        usage(argv[0]);
        return false;
    }
    return true;
}

double seconds_now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool campaign_is_over(const CampaignOptions &options, long tried, double started_at) {
    bool out_of_time = options.seconds > 0 && seconds_now() - started_at >= options.seconds;
    return tried >= options.inputs || out_of_time;
}

uint64_t next_random(Random &random) {
    uint64_t z = (random.state += SPLITMIX_STEP);
    z = (z ^ (z >> 30)) * SPLITMIX_MUL_A;
    z = (z ^ (z >> 27)) * SPLITMIX_MUL_B;
    return z ^ (z >> 31);
}

Random random_for_input(uint64_t seed, long index) {
    Random mixer = {seed ^ (uint64_t(index) * INPUT_STRIDE)};
    Random random = {next_random(mixer)};
    return random;
}

long below(Random &random, long n) {
    return long(next_random(random) % uint64_t(n));
}

bool chance(Random &random, int percent) {
    return below(random, 100) < percent;
}

long pick(Random &random, std::initializer_list<long> values) {
    return values.begin()[below(random, long(values.size()))];
}

Bytes read_file(const std::string &path) {
    Bytes bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    std::fseek(f, 0, SEEK_END);
    long length = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    bytes.resize(length > 0 ? length : 0);
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}

bool write_file(const std::string &path, const Bytes &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

void note_current_input(const std::string &note_file, const std::string &note) {
    std::snprintf(dying_note, sizeof dying_note, "\n%s\n", note.c_str());
    FILE *f = std::fopen(note_file.c_str(), "w");
    if (!f)
        return;
    std::fputs(note.c_str(), f);
    std::fputc('\n', f);
    std::fclose(f);
}

// Only write(2) here: it may run inside a signal handler.
static void say_dying_note() {
    ssize_t ignored = write(STDERR_FILENO, dying_note, std::strlen(dying_note));
    (void)ignored;
}

static void abort_with_note(int signal_number) {
    say_dying_note();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// Undefined behaviour ends a run by abort, with a stack trace, so that its note is said too:
// the undefined-behaviour sanitizer keeps its own death callbacks, apart from the address
// sanitizer's.
extern "C" const char *__ubsan_default_options() {
    return "abort_on_error=1:print_stacktrace=1";
}

void speak_current_note_when_dying() {
    __sanitizer_set_death_callback(say_dying_note);
    std::signal(SIGABRT, abort_with_note);
}
