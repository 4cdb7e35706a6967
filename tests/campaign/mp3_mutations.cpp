// Bad music for the music campaign: frames, tags and chunks of the game's tracks damaged.
#include "mp3_mutations.h"

#include <algorithm>

const int FRAME_HEADER_BYTES = 4;      // an MPEG audio frame header
const int INFO_TAG_AT = 21;            // "Info" in the first frame: 4 header + 17 side-info bytes
const int INFO_FRAMES_AT = 8;          // frame count, from the tag's start
const int INFO_BYTES_AT = 12;          // byte count, from the tag's start
const int INFO_TOC_AT = 16;            // 100-entry seek table, from the tag's start
const int INFO_TOC_BYTES = 100;        // entries in that table
const int LAME_GAPS_AT = 141;          // encoder delay and padding, 12 bits each, from the tag
const int ID3_HEADER_BYTES = 10;       // "ID3", version, revision, flags, 4-byte size
const int ID3V1_BYTES = 128;           // "TAG" and its fixed fields at the end of a file
const int APE_FOOTER_BYTES = 32;       // "APETAGEX" footer of an APE tag
const int SEVERAL_PERCENT = 40;        // share of damaged tracks damaged more than once
const int NOTHING_LIKE_IT_PERCENT = 8; // share of inputs that are not a track at all

const int MPEG1_LAYER3_KBPS[16] = { // kbit/s by bitrate index: 0 free format, -1 the bad one
    0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
const int MPEG2_LAYER3_KBPS[16] = { // likewise for MPEG-2 and MPEG-2.5
    0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1};
const int MPEG1_RATES[4] = {44100, 48000, 32000, 0}; // Hz by index; MPEG-2 half, MPEG-2.5 a quarter

// Bytes of the Layer III frame whose header is at `at`; 0 when it is not one.
static size_t frame_bytes(const Bytes &file, size_t at) {
    if (at + FRAME_HEADER_BYTES > file.size() || file[at] != 0xff || (file[at + 1] & 0xe0) != 0xe0)
        return 0;
    int version = (file[at + 1] >> 3) & 3; // 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    int layer = (file[at + 1] >> 1) & 3;   // 1 Layer III
    int bitrate = file[at + 2] >> 4;
    int kbps = version == 3 ? MPEG1_LAYER3_KBPS[bitrate] : MPEG2_LAYER3_KBPS[bitrate];
    int rate = MPEG1_RATES[(file[at + 2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    if (version == 1 || layer != 1 || kbps <= 0 || rate == 0)
        return 0;
    int per_frame = version == 3 ? 144 : 72;
    return size_t(per_frame) * kbps * 1000 / rate + ((file[at + 2] >> 1) & 1);
}

std::vector<size_t> mpeg_frames(const Bytes &file) {
    std::vector<size_t> frames;
    for (size_t at = 0, bytes; (bytes = frame_bytes(file, at)) > 0; at += bytes)
        frames.push_back(at);
    return frames;
}

static std::string number(long n) {
    return std::to_string(n);
}

static void put_big_endian(Bytes &file, size_t at, uint32_t value) {
    for (int k = 0; k < 4 && at + k < file.size(); k++)
        file[at + k] = value >> (24 - 8 * k);
}

static Bytes random_bytes(Random &random, size_t length) {
    Bytes bytes(length);
    for (unsigned char &b : bytes)
        b = below(random, 256);
    return bytes;
}

static std::string flip_bits(Bytes &file, const std::vector<size_t> &frames, Random &random) {
    long flips = pick(random, {1, 2, 8, 64, 512});
    for (long k = 0; k < flips && !file.empty(); k++) {
        size_t at = chance(random, 30) && !frames.empty()
                        ? frames[below(random, long(frames.size()))] + below(random, 4)
                        : below(random, long(file.size()));
        if (at < file.size())
            file[at] ^= 1 << below(random, 8);
    }
    return number(flips) + " bit flips";
}

static std::string cut_short(Bytes &file, const std::vector<size_t> &frames, Random &random) {
    size_t length = below(random, long(file.size()) + 1);
    if (chance(random, 30))
        length = pick(random, {0, 1, 3, 4, 5, 21, 200, 417});
    else if (chance(random, 30) && !frames.empty())
        length = frames[below(random, long(frames.size()))] + below(random, 8);
    file.resize(std::min(length, file.size()));
    return "cut to " + number(file.size()) + " bytes";
}

// The frames one damage reaches: one, a stretch, every so many, or all.
static std::vector<size_t> some_frames(const std::vector<size_t> &frames, Random &random) {
    std::vector<size_t> chosen;
    long first = below(random, long(frames.size()));
    switch (below(random, 4)) {
    case 0:
        return {frames[first]};
    case 1:
        for (long k = first; k < long(frames.size()) && k < first + 1 + below(random, 64); k++)
            chosen.push_back(frames[k]);
        return chosen;
    case 2: {
        long step = 2 + below(random, 20);
        for (long k = first % step; k < long(frames.size()); k += step)
            chosen.push_back(frames[k]);
        return chosen;
    }
    default:
        return frames;
    }
}

// Spoils the frame header `h` in way `how`; says how.
static std::string spoil_header(unsigned char *h, long how) {
    switch (how) {
    case 0:
        h[0] = 0x00;
        return "sync cleared";
    case 1:
        h[1] = (h[1] & ~0x18) | 0x08;
        return "reserved MPEG version";
    case 2:
        h[1] &= ~0x06;
        return "reserved layer";
    case 3:
        h[2] |= 0xf0;
        return "bad bitrate";
    case 4:
        h[2] &= 0x0f;
        return "free-format bitrate";
    case 5:
        h[2] |= 0x0c;
        return "reserved sampling rate";
    case 6:
        h[2] ^= 0x02;
        return "padding turned";
    case 7:
        h[3] &= 0x3f;
        return "stereo side information expected";
    case 8:
        h[3] = (h[3] & ~0x03) | 0x02;
        return "reserved emphasis";
    case 9:
        h[1] |= 0x06;
        return "Layer I";
    case 10:
        h[1] &= ~0x18;
        return "MPEG-2.5";
    default:
        h[1] ^= 0x01;
        return "CRC protection turned";
    }
}

static std::string spoil_frame_headers(Bytes &file, const std::vector<size_t> &frames,
                                       Random &random) {
    if (frames.empty())
        return flip_bits(file, frames, random);
    std::vector<size_t> chosen = some_frames(frames, random);
    long how = below(random, 12);
    std::string said;
    for (size_t at : chosen)
        if (at + FRAME_HEADER_BYTES <= file.size())
            said = spoil_header(&file[at], how);
    return said + " in " + number(chosen.size()) + " frame headers";
}

static std::string spoil_info_tag(Bytes &file, const std::vector<size_t> &, Random &random) {
    size_t tag = INFO_TAG_AT;
    if (file.size() < tag + LAME_GAPS_AT + 3)
        return "no Info tag to spoil";
    switch (below(random, 5)) {
    case 0:
        put_big_endian(file, tag + INFO_FRAMES_AT, pick(random, {0, 1, 0x7fffffff, 0xffffffff}));
        return "Info frame count spoiled";
    case 1:
        put_big_endian(file, tag + INFO_BYTES_AT, pick(random, {0, 1, 0x7fffffff, 0xffffffff}));
        return "Info byte count spoiled";
    case 2:
        for (int k = 0; k < INFO_TOC_BYTES; k++)
            file[tag + INFO_TOC_AT + k] = chance(random, 50) ? 255 - k : below(random, 256);
        return "Info seek table spoiled";
    case 3: {
        long delay = pick(random, {0, 0xfff, below(random, 0x1000)});
        long padding = pick(random, {0, 0xfff, below(random, 0x1000)});
        file[tag + LAME_GAPS_AT] = delay >> 4;
        file[tag + LAME_GAPS_AT + 1] = (delay & 0xf) << 4 | padding >> 8;
        file[tag + LAME_GAPS_AT + 2] = padding & 0xff;
        return "encoder delay " + number(delay) + " and padding " + number(padding);
    }
    default:
        std::fill(file.begin() + tag, file.begin() + tag + 4, 'X');
        return "Info tag renamed";
    }
}

// An ID3v2 size: syncsafe (7 bits a byte) unless `raw`.
static void put_id3_size(Bytes &tag, size_t at, uint32_t size, bool raw) {
    for (int k = 0; k < 4; k++)
        tag[at + k] = raw ? size >> (24 - 8 * k) : (size >> (21 - 7 * k)) & 0x7f;
}

static std::string add_id3v2_tag(Bytes &file, const std::vector<size_t> &, Random &random) {
    long body = pick(random, {0, 10, 1000, 100000});
    Bytes tag(ID3_HEADER_BYTES, 0);
    tag[0] = 'I';
    tag[1] = 'D';
    tag[2] = '3';
    tag[3] = pick(random, {2, 3, 4, 4, 255});
    tag[5] = pick(random, {0, 0, 0x10, 0x40, 0x80, 0xff});
    long size = pick(random, {0, 1, 10, body, body + 1, long(file.size()), long(file.size()) + 1,
                              0x0fffffff, 0xffffffff});
    bool raw = chance(random, 20);
    put_id3_size(tag, 6, size, raw);
    Bytes inside = chance(random, 50) ? random_bytes(random, body) : Bytes(body, 0);
    if (body >= 10) { // a frame whose own size is extreme
        const char *id = "TIT2";
        std::copy(id, id + 4, inside.begin());
        put_big_endian(inside, 4, pick(random, {0, 1, 0x7fffffff, 0xffffffff, below(random, 200)}));
    }
    tag.insert(tag.end(), inside.begin(), inside.end());
    file.insert(file.begin(), tag.begin(), tag.end());
    return "ID3v2." + number(tag[3]) + " tag, flags " + number(tag[5]) + ", size " + number(size) +
           (raw ? " unsyncsafe" : "") + ", " + number(body) + " bytes inside";
}

static std::string add_end_tag(Bytes &file, const std::vector<size_t> &, Random &random) {
    if (chance(random, 50)) {
        Bytes tag = random_bytes(random, ID3V1_BYTES);
        std::copy_n("TAG", 3, tag.begin());
        file.insert(file.end(), tag.begin(), tag.end());
        return "ID3v1 tag at the end";
    }
    Bytes footer = random_bytes(random, APE_FOOTER_BYTES);
    std::copy_n("APETAGEX", 8, footer.begin());
    put_big_endian(footer, 12, pick(random, {0, 32, 0x7fffffff, 0xffffffff}));
    file.insert(file.end(), footer.begin(), footer.end());
    return "APE tag footer at the end";
}

// A random stretch of `file`: its start and its length.
static std::pair<size_t, size_t> some_stretch(const Bytes &file, Random &random) {
    size_t at = below(random, long(file.size()));
    size_t length = pick(random, {1, 4, 417, 4096, below(random, long(file.size() - at) + 1)});
    return {at, std::min(length, file.size() - at)};
}

static std::string copy_chunk(Bytes &file, const std::vector<size_t> &, Random &random) {
    if (file.empty())
        return "nothing to copy";
    auto [at, length] = some_stretch(file, random);
    Bytes chunk(file.begin() + at, file.begin() + at + length);
    long times = pick(random, {1, 1, 2, 50});
    size_t to = below(random, long(file.size()) + 1);
    for (long k = 0; k < times; k++)
        file.insert(file.begin() + to, chunk.begin(), chunk.end());
    return number(length) + " bytes from " + number(at) + " copied " + number(times) +
           " times to " + number(to);
}

static std::string shuffle_chunks(Bytes &file, const std::vector<size_t> &, Random &random) {
    long pieces = 2 + below(random, 15);
    std::vector<size_t> cuts = {0, file.size()};
    for (long k = 1; k < pieces; k++)
        cuts.push_back(below(random, long(file.size()) + 1));
    std::sort(cuts.begin(), cuts.end());
    std::vector<Bytes> chunks;
    for (size_t k = 0; k + 1 < cuts.size(); k++)
        chunks.emplace_back(file.begin() + cuts[k], file.begin() + cuts[k + 1]);
    for (size_t k = chunks.size(); k > 1; k--)
        std::swap(chunks[k - 1], chunks[below(random, long(k))]);
    file.clear();
    for (const Bytes &chunk : chunks)
        file.insert(file.end(), chunk.begin(), chunk.end());
    return number(pieces) + " pieces shuffled";
}

static std::string drop_frames(Bytes &file, const std::vector<size_t> &frames, Random &random) {
    if (frames.size() < 2)
        return cut_short(file, frames, random);
    std::vector<size_t> chosen = some_frames(frames, random);
    if (chosen.size() == frames.size())
        chosen.pop_back();
    for (auto k = chosen.rbegin(); k != chosen.rend(); k++) {
        auto next = std::upper_bound(frames.begin(), frames.end(), *k);
        size_t end = next == frames.end() ? file.size() : *next;
        if (end <= file.size())
            file.erase(file.begin() + *k, file.begin() + end);
    }
    return number(chosen.size()) + " frames dropped";
}

static std::string overwrite_stretch(Bytes &file, const std::vector<size_t> &, Random &random) {
    if (file.empty())
        return "nothing to overwrite";
    auto [at, length] = some_stretch(file, random);
    bool zeros = chance(random, 50);
    for (size_t k = at; k < at + length; k++)
        file[k] = zeros ? 0 : below(random, 256);
    return number(length) + (zeros ? " zeros" : " random bytes") + " written at " + number(at);
}

// A file that is not the track at all: empty, zeros, noise, or noise after one frame header.
static std::string nothing_like_it(Bytes &file, Random &random) {
    long length = pick(random, {1, 4, 417, 10000, 300000});
    switch (below(random, 4)) {
    case 0:
        file.clear();
        return "an empty file";
    case 1:
        file.assign(length, 0);
        return number(length) + " zero bytes";
    case 2:
        file = random_bytes(random, length);
        return number(length) + " random bytes";
    default: {
        Bytes header(file.begin(), file.begin() + FRAME_HEADER_BYTES);
        file = random_bytes(random, std::max<long>(length, FRAME_HEADER_BYTES));
        std::copy(header.begin(), header.end(), file.begin());
        return number(length) + " random bytes after a frame header";
    }
    }
}

typedef std::string (*Damage)(Bytes &, const std::vector<size_t> &, Random &);

MusicInput damaged_music(const std::vector<Track> &tracks, Random &random) {
    static const Damage damages[] = {
        // every kind, equally likely
        flip_bits,   cut_short,  spoil_frame_headers, spoil_info_tag, add_id3v2_tag,
        add_end_tag, copy_chunk, shuffle_chunks,      drop_frames,    overwrite_stretch,
    };
    const Track &track = tracks[below(random, long(tracks.size()))];
    MusicInput input = {&track, "", track.file};
    if (chance(random, NOTHING_LIKE_IT_PERCENT)) {
        input.damage = nothing_like_it(input.file, random);
        return input;
    }
    long count = chance(random, SEVERAL_PERCENT) ? 2 + below(random, 2) : 1;
    for (long k = 0; k < count; k++) {
        std::vector<size_t> frames = mpeg_frames(input.file);
        Damage damage = damages[below(random, sizeof damages / sizeof *damages)];
        input.damage += (k ? "; " : "") + damage(input.file, frames, random);
    }
    return input;
}
