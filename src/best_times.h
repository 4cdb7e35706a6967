// The best times kept between games: the best of all, and the best of each numbered field, in
// a small text file beside the settings, "best=TICKS" and "field.N=TICKS" a line.
#pragma once

#include <cstddef>

const int MAX_KEPT_FIELDS = 1000;      // numbered fields whose best times are kept; the oldest
                                       // kept gives way to a new one
const int MAX_KEPT_TICKS = 2000000000; // the longest time kept, ticks: about two years

struct BestTimes {
    int overall;                 // the best time on any field, ticks; 0 for none yet
    int fields;                  // numbered fields with a best time, 0..MAX_KEPT_FIELDS
    long field[MAX_KEPT_FIELDS]; // their numbers, oldest first
    int ticks[MAX_KEPT_FIELDS];  // and their best times, ticks
};

// The best times in the file at `path`; none for a missing file. A line not understood is
// passed over with one line on standard error, and is never a reason not to play.
void read_times(const char *path, BestTimes *t);

// Keeps `t` in the file at `path`, whole or not at all, as the settings are kept.
bool write_times(const char *path, const BestTimes &t);

// The best time kept for field `field`, or the best of all for field 0; 0 for none.
int best_time(const BestTimes &t, long field);

// Takes a search of `ticks` on field `field` (0 for a field the clock chose) into the best of
// all and, for a numbered field, that field's best; whether it beat the best shown for that
// field (the field's own, or the best of all for field 0), or there was none.
bool record_time(BestTimes *t, long field, int ticks);
