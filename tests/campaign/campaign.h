// What both bad-input campaigns share: options, seeded randomness, files, the dying note.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

struct CampaignOptions {
    uint64_t seed;   // chooses every input: the same seed and index give the same input
    long first;      // index of the first input tried, 0 or more
    long inputs;     // inputs tried at most
    double seconds;  // the run stops starting new inputs after this long; 0 for no limit
    std::string dir; // where inputs are written before they are tried, and kept when they fail
};

// Reads `--seed S --inputs N --first K --seconds T --dir D` over the defaults already in
// `options`; with a time limit and no count, inputs go on until the time is up. False after
// saying what was wrong.
bool read_options(int argc, char **argv, CampaignOptions &options);

// Whether a run that started `started_at` (seconds_now()) has used up its time or inputs
// after `tried` inputs.
bool campaign_is_over(const CampaignOptions &options, long tried, double started_at);

// Seconds on a steady clock.
double seconds_now();

struct Random {
    uint64_t state; // splitmix64 state
};

// The random numbers of input `index` of a run with `seed`, independent of every other input.
Random random_for_input(uint64_t seed, long index);
uint64_t next_random(Random &random);
long below(Random &random, long n); // 0..n-1 for n >= 1
bool chance(Random &random, int percent);
long pick(Random &random, std::initializer_list<long> values);

Bytes read_file(const std::string &path);
bool write_file(const std::string &path, const Bytes &bytes);

// Remembers which input is about to be tried, in `note_file` and for a dying run's last words
// (a sanitizer report or an abort): what it was, where it was written, how to try it again.
void note_current_input(const std::string &note_file, const std::string &note);

// Makes a run that dies from a sanitizer report or an abort say the current note.
void speak_current_note_when_dying();
