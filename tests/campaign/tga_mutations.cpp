// Bad pictures for the picture campaign: the game's pictures re-encoded and damaged.
#include "tga_mutations.h"

#include <algorithm>
#include <cstring>
#include <map>

const size_t HEADER_BYTES = 18;       // fixed part of every TGA file
const int TOP_LEFT_ORIGIN = 0x20;     // descriptor bit: the first stored row is the top one
const int ALPHA_BITS_8 = 8;           // descriptor's alpha bits for pictures with 8-bit alpha
const int MAX_PACKET_PIXELS = 128;    // pixels one run-length packet holds at most
const int PACKET_RUN_BIT = 0x80;      // set in a packet's first byte when it repeats one pixel
const int TYPE_RUN_LENGTH_FLAG = 8;   // image types 9..11 are 1..3 in run-length packets
const int UNDAMAGED_PERCENT = 3;      // share of inputs tried as they start
const int SEVERAL_PERCENT = 45;       // share of damaged inputs damaged more than once
const int STRAY_INDEX_PERCENT = 10;   // share of damage to colour-mapped pictures' indices
const int HEADER_DAMAGE_PERCENT = 60; // share of the rest aimed at header fields or packets
const int HEADER_BIAS_PERCENT = 60;   // share of bit flips aimed at the header and first pixels
const int FIRST_PIXEL_BYTES = 16;     // reach of those flips past the header, colour map and id

// Where the parts of a whole file lie, worked out before it is damaged.
struct Layout {
    size_t pixels_at;           // offset of the first pixel or packet
    int pixel_bytes;            // bytes of one stored pixel
    bool packed;                // run-length packets
    bool mapped;                // colour-mapped
    int map_length;             // colour map entries
    std::vector<size_t> packet; // offset of every packet, when packed
};

static int word_at(const Bytes &file, size_t at) {
    return file[at] | (file[at + 1] << 8);
}

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

std::vector<StartingPicture> starting_pictures(const std::string &name, const Bytes &game_file,
                                               const Picture &picture) {
    const struct {
        const char *form;
        int type, depth;
        bool top_first, rows_apart;
    } forms[] = {
        {"run-length 32-bit", 10, 32, true, true},
        {"plain 24-bit bottom-up", 2, 24, false, false},
        {"run-length 24-bit bottom-up across rows", 10, 24, false, false},
        {"plain grey", 3, 8, true, false},
        {"run-length grey and alpha bottom-up across rows", 11, 16, false, false},
        {"plain colour-mapped bottom-up", 1, 24, false, false},
        {"run-length colour-mapped 32-bit", 9, 32, true, true},
    };
    bool fence = name == "fencea.tga";
    std::vector<StartingPicture> starts = {{name + " as shipped", fence, game_file}};
    for (const auto &f : forms)
        starts.push_back({name + " as " + f.form, fence,
                          encode_tga(picture, f.type, f.depth, f.top_first, f.rows_apart)});
    return starts;
}

// The layout of a whole, well-formed start.
static Layout layout_of(const Bytes &file) {
    Layout layout;
    layout.mapped = file[1] == 1;
    layout.map_length = word_at(file, 5);
    size_t map_bytes = layout.mapped ? layout.map_length * ((file[7] + 7) / 8) : 0;
    layout.pixels_at = HEADER_BYTES + file[0] + map_bytes;
    layout.pixel_bytes = (file[16] + 7) / 8;
    layout.packed = file[2] & TYPE_RUN_LENGTH_FLAG;
    size_t pixels = size_t(word_at(file, 12)) * word_at(file, 14);
    for (size_t at = layout.pixels_at, done = 0; layout.packed && done < pixels;) {
        layout.packet.push_back(at);
        size_t count = (file[at] & 0x7f) + 1;
        at += 1 + (file[at] & PACKET_RUN_BIT ? 1 : count) * layout.pixel_bytes;
        done += count;
    }
    return layout;
}

static std::string number(long n) {
    return std::to_string(n);
}

// A position in the body of `file`, at or after the first pixel when it can be.
static size_t body_position(const Bytes &file, const Layout &layout, Random &random) {
    size_t from = layout.pixels_at < file.size() ? layout.pixels_at : 0;
    return from + below(random, long(file.size() - from));
}

static std::string flip_bits(Bytes &file, const Layout &layout, Random &random) {
    long flips = pick(random, {1, 1, 2, 3, 8, 32});
    size_t near = std::min(file.size(), layout.pixels_at + FIRST_PIXEL_BYTES);
    for (long k = 0; k < flips && !file.empty(); k++) {
        bool early = chance(random, HEADER_BIAS_PERCENT);
        file[below(random, long(early ? near : file.size()))] ^= 1 << below(random, 8);
    }
    return number(flips) + " bit flips";
}

static std::string cut_short(Bytes &file, const Layout &layout, Random &random) {
    if (file.empty())
        return "nothing to cut";
    size_t length;
    if (chance(random, 30))
        length = below(random, long(std::min(file.size(), layout.pixels_at + 64)));
    else if (chance(random, 30))
        length = file.size() - 1 - below(random, long(std::min<size_t>(file.size(), 64)));
    else
        length = below(random, long(file.size()));
    file.resize(length);
    return "cut to " + number(length) + " bytes";
}

static long extreme_side(Random &random, long now) {
    return pick(random, {0, 1, 2, 255, 256, 4095, 4096, 4097, 8192, 32767, 32768, 65535, now - 1,
                         now + 1, now * 2, now / 2, below(random, 65536)});
}

static std::string change_sides(Bytes &file, const Layout &, Random &random) {
    long which = below(random, 3);
    std::string said;
    if (which != 1) {
        set_word(file, 12, extreme_side(random, word_at(file, 12)));
        said += "width " + number(word_at(file, 12));
    }
    if (which != 0) {
        set_word(file, 14, extreme_side(random, word_at(file, 14)));
        said += (said.empty() ? "" : ", ") + ("height " + number(word_at(file, 14)));
    }
    return said;
}

static std::string change_image_type(Bytes &file, const Layout &, Random &random) {
    file[2] = pick(random, {0, 1, 2, 3, 9, 10, 11, 4, 8, 12, 32, 33, below(random, 256)});
    return "image type " + number(file[2]);
}

static std::string change_colour_map(Bytes &file, const Layout &, Random &random) {
    switch (below(random, 4)) {
    case 0:
        file[1] = pick(random, {0, 1, 2, 255});
        return "colour map type " + number(file[1]);
    case 1:
        set_word(file, 3, pick(random, {1, 2, 255, 65535, below(random, 65536)}));
        return "colour map from entry " + number(word_at(file, 3));
    case 2:
        set_word(file, 5, pick(random, {0, 1, 2, 127, 256, 65535, below(random, 65536)}));
        return "colour map of " + number(word_at(file, 5)) + " entries";
    default:
        file[7] = pick(random, {0, 1, 8, 15, 16, 24, 32, 33, 64, 255});
        return "colour map entries of " + number(file[7]) + " bits";
    }
}

static std::string change_depth(Bytes &file, const Layout &, Random &random) {
    file[16] = pick(random, {0, 1, 8, 15, 16, 24, 32, 33, 48, 64, 255, below(random, 256)});
    return "pixel depth " + number(file[16]);
}

static std::string change_id_length(Bytes &file, const Layout &, Random &random) {
    long length = pick(random, {1, 17, 200, 255});
    file[0] = length;
    if (!chance(random, 50))
        return "id length " + number(length) + " with no id";
    file.insert(file.begin() + HEADER_BYTES, length, 'i');
    return "id of " + number(length) + " bytes";
}

static std::string change_descriptor(Bytes &file, const Layout &, Random &random) {
    file[17] = chance(random, 50) ? below(random, 256) : file[17] ^ pick(random, {16, 32, 64, 128});
    return "descriptor " + number(file[17]);
}

// A colour index at or beyond the map's end, in a colour-mapped picture.
static std::string stray_colour_index(Bytes &file, const Layout &layout, Random &random) {
    if (layout.map_length >= 256)
        return "no colour index can stray";
    if (layout.packet.empty()) {
        size_t at = body_position(file, layout, random);
        file[at] = layout.map_length + below(random, 256 - layout.map_length);
        return "colour index " + number(file[at]) + " at byte " + number(at);
    }
    size_t at = layout.packet[below(random, long(layout.packet.size()))] + 1;
    if (at >= file.size())
        return "no stray colour index";
    file[at] = layout.map_length + below(random, 256 - layout.map_length);
    return "colour index " + number(file[at]) + " in a packet";
}

static size_t packet_bytes(const Bytes &file, const Layout &layout, size_t at) {
    size_t count = (file[at] & 0x7f) + 1;
    return 1 + (file[at] & PACKET_RUN_BIT ? 1 : count) * layout.pixel_bytes;
}

// A new first byte for the packet at `at`: another count, or repeating turned over.
static std::string change_packet_byte(Bytes &file, size_t at, Random &random) {
    switch (below(random, 3)) {
    case 0:
        file[at] = below(random, 256);
        return " starts " + number(file[at]);
    case 1:
        file[at] = pick(random, {0xff, 0x7f, 0x80, 0x00});
        return " starts " + number(file[at]);
    default:
        file[at] ^= PACKET_RUN_BIT;
        return " repeats or not, the other way";
    }
}

// The `length` bytes of the packet at `at` removed or doubled, or noise put before them.
static std::string move_packet(Bytes &file, size_t at, size_t length, Random &random) {
    switch (below(random, 3)) {
    case 0:
        file.erase(file.begin() + at, file.begin() + at + length);
        return " removed";
    case 1: {
        Bytes copy(file.begin() + at, file.begin() + at + length);
        file.insert(file.begin() + at, copy.begin(), copy.end());
        return " doubled";
    }
    default: {
        Bytes noise(1 + below(random, 2 * MAX_PACKET_PIXELS));
        for (unsigned char &b : noise)
            b = below(random, 256);
        file.insert(file.begin() + at, noise.begin(), noise.end());
        return " after " + number(noise.size()) + " random bytes";
    }
    }
}

// One packet damaged, the last one more often than the others; colour indices or bits of
// unpacked pictures instead.
static std::string damage_packet(Bytes &file, const Layout &layout, Random &random) {
    if (layout.packet.empty())
        return layout.mapped ? stray_colour_index(file, layout, random)
                             : flip_bits(file, layout, random);
    long which = chance(random, 25) ? long(layout.packet.size()) - 1
                                    : below(random, long(layout.packet.size()));
    size_t at = layout.packet[which];
    if (at >= file.size())
        return "packet " + number(which) + " already cut off";
    std::string where = "packet " + number(which) + " of " + number(layout.packet.size());
    size_t length = std::min(packet_bytes(file, layout, at), file.size() - at);
    return where + (chance(random, 50) ? change_packet_byte(file, at, random)
                                       : move_packet(file, at, length, random));
}

static std::string move_chunk(Bytes &file, const Layout &layout, Random &random) {
    if (file.empty())
        return "nothing to move";
    size_t at = body_position(file, layout, random);
    size_t length =
        std::min<size_t>(pick(random, {1, 2, 3, 4, 17, below(random, 4096)}), file.size() - at);
    switch (below(random, 3)) {
    case 0:
        file.erase(file.begin() + at, file.begin() + at + length);
        return number(length) + " bytes removed at " + number(at);
    case 1: {
        Bytes copy(file.begin() + at, file.begin() + at + length);
        file.insert(file.begin() + body_position(file, layout, random), copy.begin(), copy.end());
        return number(length) + " bytes from " + number(at) + " copied elsewhere";
    }
    default:
        file.insert(file.begin() + at, length, below(random, 256));
        return number(length) + " bytes put in at " + number(at);
    }
}

static std::string add_tail(Bytes &file, const Layout &, Random &random) {
    static const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE."; // TGA 2.0, no areas
    if (chance(random, 50)) {
        file.insert(file.end(), footer, footer + sizeof footer);
        return "a TGA footer after the picture";
    }
    long length = pick(random, {1, 26, 1000});
    for (long k = 0; k < length; k++)
        file.push_back(below(random, 256));
    return number(length) + " random bytes after the picture";
}

static std::string header_noise(Bytes &file, const Layout &, Random &random) {
    long count = 1 + below(random, 6);
    for (long k = 0; k < count; k++)
        file[below(random, HEADER_BYTES)] = below(random, 256);
    return number(count) + " random header bytes";
}

typedef std::string (*Damage)(Bytes &, const Layout &, Random &);

// One kind of damage for `file`; header damage only while the header is whole.
static Damage some_damage(const Bytes &file, const Layout &layout, Random &random) {
    static const Damage anywhere[] = {flip_bits, cut_short, move_chunk, add_tail}; // any length
    static const Damage header[] = {change_sides, change_image_type, change_colour_map,
                                    change_depth, change_id_length,  change_descriptor,
                                    header_noise, damage_packet}; // need a whole header
    bool has_header = file.size() >= HEADER_BYTES;
    if (layout.mapped && has_header && chance(random, STRAY_INDEX_PERCENT))
        return stray_colour_index;
    if (has_header && chance(random, HEADER_DAMAGE_PERCENT))
        return header[below(random, sizeof header / sizeof *header)];
    return anywhere[below(random, sizeof anywhere / sizeof *anywhere)];
}

PictureInput damaged_picture(const std::vector<StartingPicture> &starts, Random &random) {
    const StartingPicture &start = starts[below(random, long(starts.size()))];
    PictureInput input = {&start, "", start.file};
    Layout layout = layout_of(start.file);
    long damages = chance(random, UNDAMAGED_PERCENT) ? 0
                   : chance(random, SEVERAL_PERCENT) ? 2 + below(random, 3)
                                                     : 1;
    for (long k = 0; k < damages; k++) {
        std::string said = some_damage(input.file, layout, random)(input.file, layout, random);
        input.damage += (k ? "; " : "") + said;
    }
    if (damages == 0)
        input.damage = "undamaged";
    return input;
}
