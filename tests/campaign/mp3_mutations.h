// Bad music for the music campaign: seeded damage to the game's MP3 tracks.
#pragma once

#include <string>

#include "campaign.h"

struct Track {
    std::string name; // the game file it came from
    Bytes file;       // its bytes as shipped
};

struct MusicInput {
    const Track *start; // what it was made from
    std::string damage; // what was done to it, in words
    Bytes file;         // the bytes to try
};

// Offsets of the MPEG audio frames of `file`, walked frame by frame from its first byte.
std::vector<size_t> mpeg_frames(const Bytes &file);

// One of `tracks`, damaged in one to three seeded ways, or a file of nothing like it.
MusicInput damaged_music(const std::vector<Track> &tracks, Random &random);
