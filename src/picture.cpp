// Pictures: the game's four, and the guard that stands before the image loader on the desktop.
#include "picture.h"

#include "game_state.h"

const long TGA_HEADER_BYTES = 18;    // fixed part of a TGA file's header
const int TGA_RUN_LENGTH = 8;        // image type flag: pixels packed in run-length packets
const int TGA_COLOUR_MAPPED = 1;     // image type of colour-index pixels, without the flag
const int TGA_TRUE_COLOUR = 2;       // image type of blue-green-red(-alpha) pixels, likewise
const int TGA_PACKET_REPEATS = 0x80; // packet byte bit: one stored pixel stands for them all
const int TGA_PACKET_COUNT = 0x7f;   // packet byte bits: pixels in the packet, less one
const int TGA_ROW_ORDER_BITS = 0xd0; // descriptor bits for right-to-left or interleaved rows

// Little-endian 16-bit field of the header at `offset`.
static long header_word(const unsigned char *header, int offset) {
    return header[offset] | (header[offset + 1] << 8);
}

// Colour-mapped, true-colour or grey, plain or run-length: the kinds the image loader reads.
static bool tga_type_is_known(int type) {
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

// Whether the pixels are indices into the colour map, plain or packed.
static bool tga_is_colour_mapped(const unsigned char *header) {
    return (header[2] & ~TGA_RUN_LENGTH) == TGA_COLOUR_MAPPED;
}

// The depths the loader reads right: one-byte colour indices, 24- or 32-bit colour, and
// grey alone or grey then alpha.
static bool tga_depth_suits_type(const unsigned char *header) {
    int bits = header[16];
    switch (header[2] & ~TGA_RUN_LENGTH) {
    case TGA_COLOUR_MAPPED:
        return bits == 8;
    case TGA_TRUE_COLOUR:
        return bits == 24 || bits == 32;
    default:
        return bits == 8 || bits == 16;
    }
}

// A colour map just when the pixels are colour indices: one that starts at entry 0, holds at
// least one entry, and has 24- or 32-bit entries (the loader copies entries into a 4-byte pixel).
static bool tga_colour_map_is_sane(const unsigned char *header) {
    if (!tga_is_colour_mapped(header))
        return header[1] == 0;
    return header[1] == 1 && header_word(header, 3) == 0 && header_word(header, 5) >= 1 &&
           (header[7] == 24 || header[7] == 32);
}

// A header the loader can trust: a known kind, its colour map and depth consistent with it,
// sides of 1..PICTURE_MAX_SIDE pixels, and rows stored left to right, one after the other.
static bool tga_header_is_sane(const unsigned char *header) {
    long width = header_word(header, 12);
    long height = header_word(header, 14);
    return tga_type_is_known(header[2]) && tga_colour_map_is_sane(header) &&
           tga_depth_suits_type(header) && width >= 1 && width <= PICTURE_MAX_SIDE && height >= 1 &&
           height <= PICTURE_MAX_SIDE && (header[17] & TGA_ROW_ORDER_BITS) == 0;
}

// Where the pixels start: after the header, the id field and the colour map.
static long tga_pixels_offset(const unsigned char *header) {
    long map_bytes = header[1] ? header_word(header, 5) * (header[7] / 8) : 0;
    return TGA_HEADER_BYTES + header[0] + map_bytes;
}

// Reads past `stored` pixels of `pixel_bytes` each; false when the file ends first or, for
// colour indices into a map of `map_length` entries (0 for none), when one lies beyond it.
static bool tga_skip_pixels(FILE *f, long stored, long pixel_bytes, long map_length) {
    if (map_length == 0)
        return std::fseek(f, stored * pixel_bytes - 1, SEEK_CUR) == 0 && std::getc(f) != EOF;
    for (long k = 0; k < stored; k++) {
        int index = std::getc(f);
        if (index == EOF || index >= map_length)
            return false;
    }
    return true;
}

// Walks run-length packets: each whole, together exactly `pixels` pixels.
static bool tga_packets_are_whole(FILE *f, long pixels, long pixel_bytes, long map_length) {
    for (long done = 0; done < pixels;) {
        int packet = std::getc(f);
        long count = (packet & TGA_PACKET_COUNT) + 1;
        long stored = (packet & TGA_PACKET_REPEATS) ? 1 : count;
        if (packet == EOF || done + count > pixels ||
            !tga_skip_pixels(f, stored, pixel_bytes, map_length))
            return false;
        done += count;
    }
    return true;
}

// Whether every pixel the header promises is in the file, plain or packed.
static bool tga_pixels_are_whole(FILE *f, const unsigned char *header) {
    long pixels = header_word(header, 12) * header_word(header, 14);
    long pixel_bytes = header[16] / 8;
    long map_length = tga_is_colour_mapped(header) ? header_word(header, 5) : 0;
    if (header[2] & TGA_RUN_LENGTH)
        return tga_packets_are_whole(f, pixels, pixel_bytes, map_length);
    return tga_skip_pixels(f, pixels, pixel_bytes, map_length);
}

bool picture_is_safe_to_load(FILE *tga) {
    unsigned char header[TGA_HEADER_BYTES];
    return std::fread(header, 1, sizeof header, tga) == sizeof header &&
           tga_header_is_sane(header) &&
           std::fseek(tga, tga_pixels_offset(header), SEEK_SET) == 0 &&
           tga_pixels_are_whole(tga, header);
}

void load_game_pictures() {
    fence_texture = load_picture_texture("fencea.tga", PICTURE_UPSIDE_DOWN);
    cloud_texture = load_picture_texture("clouda.tga", PICTURE_UPRIGHT);
    intro_texture = load_picture_texture("introa.tga", PICTURE_UPRIGHT);
    outro_texture = load_picture_texture("outroa.tga", PICTURE_UPRIGHT);
}
