// TGA files for the tests: a writer of every form the loader reads, and a strict reader.
#pragma once

#include <vector>

#include "picture.h"

typedef std::vector<unsigned char> Bytes;

struct Picture {
    int width;  // pixels
    int height; // pixels
    Bytes rgba; // red, green, blue, alpha of each pixel, top row first
};

// Writes `picture` as a TGA file of `image_type` (1..3 plain, 9..11 run-length) with `depth`
// bits a pixel (for colour-mapped pictures: bits of each colour map entry, the colours cut
// down to 2 bits a channel and 1 of alpha). Run-length packets stop at row ends when
// `rows_apart`.
Bytes encode_tga(const Picture &picture, int image_type, int depth, bool top_first,
                 bool rows_apart);

// The kinds read: true-colour pictures of 24 or 32 bits, grey pictures of 8 bits or of 16
// (grey then alpha), and colour-mapped pictures of 8-bit indices into a map of 24- or 32-bit
// entries that starts at entry 0; each plain or run-length packed, with either bottom-left
// or top-left origin, at most PICTURE_MAX_SIDE pixels a side. Bytes after the picture
// (extension areas, footers) are allowed.
struct TgaReading {
    bool well_formed;  // a whole picture of a kind the loader reads
    const char *fault; // what is wrong with it, when it is not well formed
    int width;         // pixels, when well formed
    int height;        // pixels, when well formed
    Bytes rgba;        // when well formed: red, green, blue, alpha of each pixel, top row first
};

// Reads every field and every pixel of `file`, run-length packets included.
TgaReading read_tga_strictly(const Bytes &file);
