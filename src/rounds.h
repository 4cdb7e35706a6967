// Rounds of play: the field searched, numbered or chosen by the clock; the time the search
// takes and the best times; a new field after a win; and the line a player shares.
#pragma once

#include <cstddef>
#include <ctime>

#include "best_times.h"
#include "settings.h"
#include "world.h"

const int TIME_TEXT_SIZE = 16;   // bytes for a time as shown, "1:23.4", its end included
const int RESULT_LINES = 6;      // lines under the end banner at most
const int RESULT_LINE_SIZE = 48; // bytes for one of them, its end included
const int SHARE_LINE_SIZE = 80;  // bytes for the line to share, its end included

extern long field_number; // the numbered field searched now, 1..MAX_FIELD; 0 for a field
                          // the clock chose
extern WorldGenerator field_generator; // the random numbers its world was drawn from
extern unsigned field_seed;            // and their seed: a numbered field's number, or the
                                       // clock's seconds
extern bool new_best;        // the hit beat the best time shown for this field, or had none
extern int best_before;      // that best time, ticks, before the hit; 0 for none
extern BestTimes best_times; // the best times, as kept between games
extern char times_file[MAX_PATH_LENGTH]; // where they are kept; empty for nowhere
extern long worlds_made;                 // worlds made in this game so far, the first at start-up

// A time of `ticks` as minutes, seconds and tenths, "0:58.2" or "12:03.0", the tenths cut
// down, not rounded.
void format_time(int ticks, char *text, size_t size);

// The field of the day at `now`: the date in UTC as the number YYYYMMDD.
long field_of_the_day(std::time_t now);

// The random numbers this platform's C library draws, which its clock-chosen fields were drawn
// from before the game carried its own: glibc's, the Windows runtime's or musl's.
extern const WorldGenerator C_LIBRARY_GENERATOR;

// Chooses field `field` (1..MAX_FIELD), its number its world's seed, or with 0 a world the
// clock chooses: the C library's numbers seeded from the clock as it was when the game
// seeded its first field, a second on for each clock-chosen world before this one.
void seed_field(long field);

// Chooses the field a replay was played in: numbered, or drawn by `generator` from `seed`.
void seed_replay_field(long field, WorldGenerator generator, unsigned seed);

// Makes the world of the field chosen, and sets the game as it starts: the title card over
// the orbit, nobody walking, no shot, no time.
void make_field_world();

// Chooses field `field` and makes its world, as the two above.
void begin_field(long field);

// The first hit in this field: the time taken, the best times brought up to date and kept, and
// for a numbered field its line to share, waiting to be given to the player.
void finish_search();

// The line to share that a win in a numbered field left waiting, once; false when none waits.
bool take_line_to_share(char *line, size_t size);

// After a win, a fresh world the clock chooses (a second on from the last it chose, counted
// from the game's start), and the title card over it with the intro music, as at start-up;
// the settings stay.
void start_new_field();

// The lines that go under the end banner after a win: the time, the best, the field's number,
// how to watch the search, how to get a new field, and the line about the board, `board`, where
// there is one; for a replay `watched`, REPLAY and the time it proves; how many there are.
int result_lines(char lines[RESULT_LINES][RESULT_LINE_SIZE], bool watched, const char *board);

// The line a player shares after winning numbered field: "Haystack field 20261209: found in
// 1:23.4".
void share_line(char *line, size_t size);
