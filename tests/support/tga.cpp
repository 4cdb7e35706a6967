// TGA files for the tests: a writer of every form the loader reads, and a strict reader.
#include "tga.h"

#include <algorithm>
#include <cstring>
#include <map>

const int PACKET_RUN_BIT = 0x80;    // set in a run-length packet's first byte for a repeat
const int PACKET_COUNT_MASK = 0x7f; // the rest of that byte: pixels in the packet, less one
const int TOP_LEFT_ORIGIN = 0x20;   // descriptor bit: the first stored row is the top one
const int RIGHT_TO_LEFT = 0x10;     // descriptor bit: rows are stored right to left
const int INTERLEAVE_BITS = 0xc0;   // descriptor bits for interleaved rows (an old TGA form)
const int TYPE_RUN_LENGTH_FLAG = 8; // image types 9..11 are 1..3 packed in run-length packets
const int TYPE_COLOUR_MAPPED = 1;   // image type of colour-mapped pictures, unpacked
const int TYPE_TRUE_COLOUR = 2;     // image type of true-colour pictures, unpacked
const unsigned char OPAQUE = 255;   // alpha of pictures without their own alpha
const size_t HEADER_BYTES = 18;     // fixed part of every TGA file
const int ALPHA_BITS_8 = 8;         // descriptor's alpha bits for pictures with 8-bit alpha
const int MAX_PACKET_PIXELS = 128;  // pixels one run-length packet holds at most

static void set_word(Bytes &file, size_t at, long value) {
    file[at] = value & 0xff;
    file[at + 1] = (value >> 8) & 0xff;
}

// Colour-map key of a colour: two bits of each colour and one of alpha.
static int colour_key(const unsigned char *rgba) {
    return (rgba[0] >> 6) << 5 | (rgba[1] >> 6) << 3 | (rgba[2] >> 6) << 1 | rgba[3] >> 7;
}

static void put_colour(Bytes &out, int r, int g, int b, int a, int bits) {
    out.insert(out.end(), {(unsigned char)b, (unsigned char)g, (unsigned char)r});
    if (bits == 32)
        out.push_back(a);
}

// The picture's colours cut down to a map of at most 128 entries, in order of appearance.
static std::map<int, int> colour_map_of(const Picture &picture) {
    std::map<int, int> index;
    for (size_t at = 0; at < picture.rgba.size(); at += 4)
        index.emplace(colour_key(&picture.rgba[at]), int(index.size()));
    return index;
}

static Bytes colour_map_bytes(const std::map<int, int> &index, int bits) {
    Bytes entries(index.size() * (bits / 8));
    for (const auto &[key, slot] : index) {
        Bytes one;
        put_colour(one, (key >> 5 & 3) * 85, (key >> 3 & 3) * 85, (key >> 1 & 3) * 85,
                   key & 1 ? 255 : 0, bits);
        std::memcpy(&entries[slot * one.size()], one.data(), one.size());
    }
    return entries;
}

// One pixel as the file stores it.
static void put_pixel(Bytes &out, const unsigned char *rgba, int type, int depth,
                      const std::map<int, int> &index) {
    if (type == 1)
        out.push_back(index.at(colour_key(rgba)));
    else if (type == 2)
        put_colour(out, rgba[0], rgba[1], rgba[2], rgba[3], depth);
    else if (depth == 8)
        out.push_back(rgba[1]);
    else
        out.insert(out.end(), {rgba[1], rgba[3]});
}

// Run-length packets over `count` stored pixels of `size` bytes each.
static void put_packets(Bytes &out, const unsigned char *pixels, size_t count, int size) {
    auto same = [&](size_t a, size_t b) {
        return !std::memcmp(pixels + a * size, pixels + b * size, size);
    };
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && run < MAX_PACKET_PIXELS && same(i, i + run))
            run++;
        if (run == 1)
            while (i + run < count && run < MAX_PACKET_PIXELS &&
                   !(i + run + 1 < count && same(i + run, i + run + 1)))
                run++;
        bool repeat = run > 1 && same(i, i + 1);
        out.push_back((repeat ? PACKET_RUN_BIT : 0) | (run - 1));
        out.insert(out.end(), pixels + i * size, pixels + (i + (repeat ? 1 : run)) * size);
        i += run;
    }
}

// The header, then the colour map if any, of `picture` written as `encode_tga` says.
static Bytes header_and_map(const Picture &picture, int image_type, int depth, bool top_first,
                            const std::map<int, int> &index) {
    int type = image_type & ~TYPE_RUN_LENGTH_FLAG;
    bool alpha = depth == 32 || (type == 3 && depth == 16);
    Bytes file(HEADER_BYTES, 0);
    file[1] = type == 1;
    file[2] = image_type;
    set_word(file, 5, index.size());
    file[7] = type == 1 ? depth : 0;
    set_word(file, 12, picture.width);
    set_word(file, 14, picture.height);
    file[16] = type == 1 ? 8 : depth;
    file[17] = (top_first ? TOP_LEFT_ORIGIN : 0) | (alpha ? ALPHA_BITS_8 : 0);
    Bytes map = colour_map_bytes(index, depth);
    file.insert(file.end(), map.begin(), map.end());
    return file;
}

// Every pixel as the file stores it, unpacked, in stored row order.
static Bytes stored_pixels(const Picture &picture, int type, int depth, bool top_first,
                           const std::map<int, int> &index) {
    Bytes stored;
    for (int row = 0; row < picture.height; row++) {
        int from_row = top_first ? row : picture.height - 1 - row;
        for (int x = 0; x < picture.width; x++)
            put_pixel(stored, &picture.rgba[4 * (size_t(from_row) * picture.width + x)], type,
                      depth, index);
    }
    return stored;
}

Bytes encode_tga(const Picture &picture, int image_type, int depth, bool top_first,
                 bool rows_apart) {
    int type = image_type & ~TYPE_RUN_LENGTH_FLAG;
    std::map<int, int> index = type == 1 ? colour_map_of(picture) : std::map<int, int>();
    Bytes file = header_and_map(picture, image_type, depth, top_first, index);
    Bytes stored = stored_pixels(picture, type, depth, top_first, index);
    if (!(image_type & TYPE_RUN_LENGTH_FLAG)) {
        file.insert(file.end(), stored.begin(), stored.end());
        return file;
    }
    int size = file[16] / 8;
    size_t per_call = rows_apart ? picture.width : size_t(picture.width) * picture.height;
    for (size_t first = 0; first < stored.size() / size; first += per_call)
        put_packets(file, &stored[first * size], per_call, size);
    return file;
}

struct Header {
    int id_bytes;       // length of the id field after the header, bytes
    int map_type;       // 0 no colour map, 1 a colour map
    int image_type;     // 1..3 plain, 9..11 run-length packed
    int map_first;      // index of the first colour map entry stored
    int map_length;     // colour map entries stored
    int map_entry_bits; // bits of one colour map entry
    int width;          // pixels
    int height;         // pixels
    int depth;          // bits of one stored pixel
    int descriptor;     // origin and alpha bits
};

// Where the reader is in the file; running out of bytes is remembered, not fatal.
struct Cursor {
    const Bytes *file; // the whole file
    size_t at;         // next byte to read
    bool ran_out;      // a read went past the end
};

static int take_byte(Cursor &c) {
    if (c.at >= c.file->size()) {
        c.ran_out = true;
        return 0;
    }
    return (*c.file)[c.at++];
}

static int take_word(Cursor &c) {
    int low = take_byte(c);
    return low | (take_byte(c) << 8);
}

static Header take_header(Cursor &c) {
    Header h;
    h.id_bytes = take_byte(c);
    h.map_type = take_byte(c);
    h.image_type = take_byte(c);
    h.map_first = take_word(c);
    h.map_length = take_word(c);
    h.map_entry_bits = take_byte(c);
    take_word(c); // x origin, unused
    take_word(c); // y origin, unused
    h.width = take_word(c);
    h.height = take_word(c);
    h.depth = take_byte(c);
    h.descriptor = take_byte(c);
    return h;
}

static int unpacked_type(const Header &h) {
    return h.image_type & ~TYPE_RUN_LENGTH_FLAG;
}

static bool depth_suits_type(const Header &h) {
    switch (unpacked_type(h)) {
    case TYPE_COLOUR_MAPPED:
        return h.depth == 8;
    case TYPE_TRUE_COLOUR:
        return h.depth == 24 || h.depth == 32;
    default:
        return h.depth == 8 || h.depth == 16;
    }
}

// What is wrong with the header alone; null when nothing is.
static const char *header_fault(const Header &h) {
    bool known_type =
        (h.image_type >= 1 && h.image_type <= 3) || (h.image_type >= 9 && h.image_type <= 11);
    if (!known_type)
        return "image type the loader does not read";
    if (h.map_type > 1)
        return "colour map type other than 0 or 1";
    bool mapped = unpacked_type(h) == TYPE_COLOUR_MAPPED;
    if (mapped != (h.map_type == 1))
        return mapped ? "colour-mapped picture without a colour map"
                      : "colour map beside pixels that do not use it";
    if (h.width < 1 || h.height < 1)
        return "picture without pixels";
    if (h.width > PICTURE_MAX_SIDE || h.height > PICTURE_MAX_SIDE)
        return "side longer than the game accepts";
    if (!depth_suits_type(h))
        return "pixel depth that does not suit the image type";
    if (mapped && h.map_first != 0)
        return "colour map that does not start at entry 0";
    if (mapped && h.map_length < 1)
        return "empty colour map";
    if (mapped && h.map_entry_bits != 24 && h.map_entry_bits != 32)
        return "colour map entries of neither 24 nor 32 bits";
    if (h.descriptor & RIGHT_TO_LEFT)
        return "rows stored right to left";
    if (h.descriptor & INTERLEAVE_BITS)
        return "interleaved rows";
    return nullptr;
}

// One blue-green-red(-alpha) colour from the file.
static void take_colour(Cursor &c, int bits, unsigned char *rgba) {
    rgba[2] = take_byte(c);
    rgba[1] = take_byte(c);
    rgba[0] = take_byte(c);
    rgba[3] = bits == 32 ? take_byte(c) : OPAQUE;
}

static Bytes take_colour_map(Cursor &c, const Header &h) {
    Bytes map(h.map_type == 1 ? 4 * size_t(h.map_length) : 0);
    for (size_t entry = 0; entry < map.size() / 4; entry++)
        take_colour(c, h.map_entry_bits, &map[4 * entry]);
    return map;
}

// One stored pixel as red, green, blue, alpha; false for an index beyond the colour map.
static bool take_pixel(Cursor &c, const Header &h, const Bytes &map, unsigned char *rgba) {
    switch (unpacked_type(h)) {
    case TYPE_COLOUR_MAPPED: {
        size_t index = take_byte(c);
        if (4 * index >= map.size())
            return false;
        for (int k = 0; k < 4; k++)
            rgba[k] = map[4 * index + k];
        return true;
    }
    case TYPE_TRUE_COLOUR:
        take_colour(c, h.depth, rgba);
        return true;
    default:
        rgba[0] = rgba[1] = rgba[2] = take_byte(c);
        rgba[3] = h.depth == 16 ? take_byte(c) : OPAQUE;
        return true;
    }
}

// The pixels in stored order; a fault when they are not all there and sound.
static const char *take_pixels(Cursor &c, const Header &h, const Bytes &map, Bytes &stored) {
    size_t pixels = size_t(h.width) * h.height;
    stored.clear(); // grown packet by packet: a short file claiming a huge picture costs little
    bool packed = h.image_type & TYPE_RUN_LENGTH_FLAG;
    for (size_t done = 0; done < pixels;) {
        int packet = packed ? take_byte(c) : 0;
        size_t count = packed ? (packet & PACKET_COUNT_MASK) + 1 : 1;
        bool repeat = packet & PACKET_RUN_BIT;
        if (done + count > pixels)
            return "run-length packet running past the last pixel";
        stored.resize(4 * (done + count));
        for (size_t k = 0; k < count; k++, done++) {
            unsigned char *to = &stored[4 * done];
            if (repeat && k > 0) {
                for (int b = 0; b < 4; b++)
                    to[b] = to[b - 4];
            } else if (!take_pixel(c, h, map, to)) {
                return "colour index beyond the colour map";
            }
        }
        if (c.ran_out)
            return "file ends inside the pixels";
    }
    return nullptr;
}

// Stored rows turned so that the top row comes first.
static Bytes top_row_first(const Header &h, const Bytes &stored) {
    if (h.descriptor & TOP_LEFT_ORIGIN)
        return stored;
    Bytes turned(stored.size());
    size_t row_bytes = 4 * size_t(h.width);
    for (int row = 0; row < h.height; row++)
        std::copy(stored.begin() + row * row_bytes, stored.begin() + (row + 1) * row_bytes,
                  turned.begin() + (h.height - 1 - row) * row_bytes);
    return turned;
}

static TgaReading malformed(const char *fault) {
    TgaReading reading = {false, fault, 0, 0, Bytes()};
    return reading;
}

TgaReading read_tga_strictly(const Bytes &file) {
    Cursor c = {&file, 0, false};
    Header h = take_header(c);
    if (c.ran_out)
        return malformed("shorter than a TGA header");
    if (const char *fault = header_fault(h))
        return malformed(fault);
    c.at += h.id_bytes;
    if (c.at > file.size())
        return malformed("file ends inside the id field");
    Bytes map = take_colour_map(c, h);
    if (c.ran_out)
        return malformed("file ends inside the colour map");
    Bytes stored;
    if (const char *fault = take_pixels(c, h, map, stored))
        return malformed(fault);
    TgaReading reading = {true, nullptr, h.width, h.height, top_row_first(h, stored)};
    return reading;
}
