// Bad pictures for the picture campaign: the game's pictures re-encoded and damaged.
#pragma once

#include <string>

#include "campaign.h"

struct Picture {
    int width;  // pixels
    int height; // pixels
    Bytes rgba; // red, green, blue, alpha of each pixel, top row first
};

struct StartingPicture {
    std::string name; // the game file and the form it is written in
    bool fence;       // loaded as the game loads the fence, rows turned over
    Bytes file;       // a whole, well-formed TGA file
};

struct PictureInput {
    const StartingPicture *start; // what it was made from
    std::string damage;           // what was done to it, in words
    Bytes file;                   // the bytes to try
};

// Writes `picture` as a TGA file of `image_type` (1..3 plain, 9..11 run-length) with `depth`
// bits a pixel (for colour-mapped pictures: bits of each colour map entry). Run-length
// packets stop at row ends when `rows_apart`.
Bytes encode_tga(const Picture &picture, int image_type, int depth, bool top_first,
                 bool rows_apart);

// The game's file `game_file` as shipped, then `picture` in each other form the loader reads.
std::vector<StartingPicture> starting_pictures(const std::string &name, const Bytes &game_file,
                                               const Picture &picture);

// One of `starts`, damaged in a few seeded ways (now and then not at all).
PictureInput damaged_picture(const std::vector<StartingPicture> &starts, Random &random);
