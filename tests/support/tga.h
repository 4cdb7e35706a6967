// The picture campaign's strict TGA reader: which files hold whole pictures the loader reads.
#pragma once

#include "campaign.h"

// The kinds read: true-colour pictures of 24 or 32 bits, grey pictures of 8 bits or of 16
// (grey then alpha), and colour-mapped pictures of 8-bit indices into a map of 24- or 32-bit
// entries that starts at entry 0; each plain or run-length packed, with either bottom-left
// or top-left origin, at most TGA_READER_MAX_SIDE pixels a side. Bytes after the picture
// (extension areas, footers) are allowed.
const int TGA_READER_MAX_SIDE = 4096; // longest picture side the game accepts, pixels

struct TgaReading {
    bool well_formed;  // a whole picture of a kind the loader reads
    const char *fault; // what is wrong with it, when it is not well formed
    int width;         // pixels, when well formed
    int height;        // pixels, when well formed
    Bytes rgba;        // when well formed: red, green, blue, alpha of each pixel, top row first
};

// Reads every field and every pixel of `file`, run-length packets included.
TgaReading read_tga_strictly(const Bytes &file);
