// The best times kept between games, read tolerantly and written whole.
#include "best_times.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kept_file.h"
#include "world.h"

const char *const TIMES_HEADER = // the file's first line
    "# Haystack's best times, in ticks of 1/30 s: of all fields, and of each numbered field.\n";
const char *const FIELD_PREFIX = "field."; // before a numbered field's number

// A whole number in plain decimal digits from `low` to `high` into *number; false otherwise.
static bool read_whole(const char *text, long low, long high, long *number) {
    size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || digits > 10 || text[digits] != '\0')
        return false;
    long long n = std::atoll(text);
    if (n < low || n > high)
        return false;
    *number = long(n);
    return true;
}

// Where field `field` is kept in `t`, or t.fields for nowhere.
static int place_of(const BestTimes &t, long field) {
    int i = 0;
    while (i < t.fields && t.field[i] != field)
        i++;
    return i;
}

// Keeps `ticks` as field `field`'s best time: in its place, or as the newest, the oldest
// giving way when there is no room.
static void keep_field_time(BestTimes *t, long field, int ticks) {
    int i = place_of(*t, field);
    if (i == t->fields && t->fields == MAX_KEPT_FIELDS) {
        std::memmove(t->field, t->field + 1, sizeof t->field[0] * (MAX_KEPT_FIELDS - 1));
        std::memmove(t->ticks, t->ticks + 1, sizeof t->ticks[0] * (MAX_KEPT_FIELDS - 1));
        i = --t->fields;
    }
    if (i == t->fields)
        t->fields++;
    t->field[i] = field;
    t->ticks[i] = ticks;
}

// Takes one "name=value" line of the file into the BestTimes at `into`; false if it is not
// understood.
static bool read_time(const char *name, const char *value, void *into) {
    BestTimes *t = static_cast<BestTimes *>(into);
    long ticks, field;
    if (!read_whole(value, 1, MAX_KEPT_TICKS, &ticks))
        return false;
    if (!std::strcmp(name, "best")) {
        t->overall = int(ticks);
        return true;
    }
    size_t prefix = std::strlen(FIELD_PREFIX);
    if (std::strncmp(name, FIELD_PREFIX, prefix) ||
        !read_whole(name + prefix, 1, MAX_FIELD, &field))
        return false;
    keep_field_time(t, field, int(ticks));
    return true;
}

void read_times(const char *path, BestTimes *t) {
    *t = {};
    read_kept_file(path, read_time, t);
}

// Writes the BestTimes at `from`, the best of all first.
static void print_times(std::FILE *file, const void *from) {
    const BestTimes &t = *static_cast<const BestTimes *>(from);
    std::fputs(TIMES_HEADER, file);
    if (t.overall)
        std::fprintf(file, "best=%d\n", t.overall);
    for (int i = 0; i < t.fields; i++)
        std::fprintf(file, "%s%ld=%d\n", FIELD_PREFIX, t.field[i], t.ticks[i]);
}

bool write_times(const char *path, const BestTimes &t) {
    return write_kept_file(path, print_times, &t);
}

int best_time(const BestTimes &t, long field) {
    if (field == 0)
        return t.overall;
    int i = place_of(t, field);
    return i < t.fields ? t.ticks[i] : 0;
}

bool record_time(BestTimes *t, long field, int ticks) {
    int before = best_time(*t, field);
    if (t->overall == 0 || ticks < t->overall)
        t->overall = ticks;
    if (field && (before == 0 || ticks < before))
        keep_field_time(t, field, ticks);
    return before == 0 || ticks < before;
}
