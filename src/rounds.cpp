// Rounds of play: the field, the search's time and the best times, and a new field.
#include "rounds.h"

#include <algorithm>
#include <cstdio>

#include "controls.h"
#include "game_state.h"
#include "music.h"
#include "world.h"

const int TICKS_PER_TENTH = TICKS_PER_SECOND / 10; // ticks in a tenth of a second

long field_number;
WorldGenerator field_generator = GENERATOR_GLIBC;
unsigned field_seed;
bool new_best;
int best_before;
BestTimes best_times;
char times_file[MAX_PATH_LENGTH];
long worlds_made;

static std::time_t first_seed; // the clock when the game seeded its first field, seconds
static bool clock_read;        // whether first_seed holds it yet
static long clock_fields;      // worlds seeded from the clock in this game so far
static bool line_waiting;      // a numbered field was won, and its line not yet given

void format_time(int ticks, char *text, size_t size) {
    int tenths = std::max(ticks, 0) / TICKS_PER_TENTH;
    std::snprintf(text, size, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
}

long field_of_the_day(std::time_t now) {
    std::tm *day = std::gmtime(&now);
    return day ? (day->tm_year + 1900L) * 10000 + (day->tm_mon + 1) * 100 + day->tm_mday : 1;
}

// The game's state as it starts: the orbit over the title card, facing the mound from its
// corner once play begins, no shot in the air, no time taken, nothing green.
static void set_starting_state() {
    reset_player();
    recolour_cursor = 0;
    best_before = 0;
    new_best = false;
}

void seed_field(long field) {
    if (!clock_read)
        first_seed = std::time(nullptr);
    clock_read = true;
    field_number = field;
    field_generator = field ? GENERATOR_GLIBC : C_LIBRARY_GENERATOR;
    field_seed = field ? unsigned(field) : unsigned(first_seed + clock_fields++);
}

void seed_replay_field(long field, WorldGenerator generator, unsigned seed) {
    field_number = field;
    field_generator = generator;
    field_seed = seed;
}

void make_field_world() {
    generate_world(field_generator, field_seed);
    worlds_made++;
    set_starting_state();
}

void begin_field(long field) {
    seed_field(field);
    make_field_world();
}

void finish_search() {
    best_before = best_time(best_times, field_number);
    new_best = record_time(&best_times, field_number, found_ticks);
    if (times_file[0])
        write_times(times_file, best_times);
    line_waiting = field_number != 0;
}

bool take_line_to_share(char *line, size_t size) {
    if (!line_waiting)
        return false;
    line_waiting = false;
    share_line(line, size);
    return true;
}

void start_new_field() {
    music_stop(outro_stream);
    music_stop(theme_stream);
    begin_field(0);
    music_play(intro_stream);
}

int result_lines(char lines[RESULT_LINES][RESULT_LINE_SIZE], bool watched, const char *board) {
    char found[TIME_TEXT_SIZE], best[TIME_TEXT_SIZE];
    format_time(found_ticks, found, sizeof found);
    format_time(best_before, best, sizeof best);
    int n = 0;
    if (watched)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "REPLAY");
    std::snprintf(lines[n++], RESULT_LINE_SIZE, "Found in %s", found);
    if (!watched && new_best)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "New best");
    else if (!watched)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "Best %s", best);
    if (field_number)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "Field %ld", field_number);
    if (!watched)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "R: watch the search");
    if (const char *key = key_name(key_bindings[ACTION_NEW_FIELD][0]))
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "%s: new field", key);
    if (board)
        std::snprintf(lines[n++], RESULT_LINE_SIZE, "%s", board);
    return n;
}

void share_line(char *line, size_t size) {
    char found[TIME_TEXT_SIZE];
    format_time(found_ticks, found, sizeof found);
    std::snprintf(line, size, "Haystack field %ld: found in %s", field_number, found);
}
