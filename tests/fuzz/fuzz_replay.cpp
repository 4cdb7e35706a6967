// Fuzz target: the replay reader, and the simulation playing through the replays it reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "replay_input.h"

// A replay file's parts as replay.cpp writes them: the magic and the format, the version's
// length and text, the fixed header, the counts, the coded ticks, the checkpoints' count and the
// checkpoints, the checksum.
const size_t VERSION_AT = 8 + 2;               // the version's length byte
const size_t HEADER_BYTES = 4 + 1 + 4 + 8 + 4; // field, generator, seed, settings, start tick
const size_t CHECKSUM_BYTES = 4;               // the FNV-1a at the end
const unsigned RUN_BIT = 0x80;                 // a tick byte that stands for a run of ticks, less 1
const unsigned STRUCTURE_ODDS = 2;             // one mutation in this many works inside one part
const int MOST_PART_BYTES = 1 << 16;           // room given a part to grow in
enum Part { PART_VERSION, PART_HEADER, PART_TICKS, PART_CHECKPOINTS, PARTS };

typedef std::vector<uint8_t> Bytes;

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t max_size);

static uint32_t get32(const uint8_t *at) {
    return at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24;
}

static void put32(Bytes &out, uint32_t value) {
    for (int i = 0; i < 4; i++)
        out.push_back(uint8_t(value >> (8 * i)));
}

// Cuts `size` bytes into the parts the lengths in them give; false when they do not fit.
static bool cut_into_parts(const uint8_t *data, size_t size, Bytes parts[PARTS], uint32_t *found) {
    size_t at = VERSION_AT + 1, end = size - CHECKSUM_BYTES;
    if (size < at + CHECKSUM_BYTES || data[VERSION_AT] + HEADER_BYTES + 12 > end - at)
        return false;
    parts[PART_VERSION].assign(data + at, data + at + data[VERSION_AT]);
    at += data[VERSION_AT];
    parts[PART_HEADER].assign(data + at, data + at + HEADER_BYTES);
    at += HEADER_BYTES;
    *found = get32(data + at + 4);
    uint32_t coded = get32(data + at + 8);
    at += 12;
    if (coded > end - at || end - at - coded < 4)
        return false;
    parts[PART_TICKS].assign(data + at, data + at + coded);
    at += coded + 4;
    parts[PART_CHECKPOINTS].assign(data + at, data + end);
    return true;
}

// The ticks the coded input holds, read leniently.
static uint32_t ticks_coded(const Bytes &coded) {
    uint32_t ticks = 0;
    for (size_t i = 0; i < coded.size(); ticks++) {
        unsigned bits = coded[i++];
        if (bits & RUN_BIT) {
            ticks += bits & ~RUN_BIT;
            continue;
        }
        i += (bits & 1) + (bits >> 1 & 1) + (bits & 8 ? 8 : 0) + (bits & 16 ? 8 : 0);
        for (int counts = bits & 4 ? 2 : 0; counts > 0 && i < coded.size(); i++)
            counts -= !(coded[i] & RUN_BIT); // a count's last byte lacks the high bit
    }
    return ticks;
}

// One part mutated, and the file put together again with its lengths and counts made to agree
// with its parts: so that a mutation reaches past the checks of the file's framing.
static size_t mutate_one_part(uint8_t *data, size_t size, size_t max_size, unsigned seed) {
    Bytes parts[PARTS];
    uint32_t found;
    if (!cut_into_parts(data, size, parts, &found))
        return 0;
    Bytes &part = parts[seed % PARTS];
    size_t length = part.size();
    part.resize(length + MOST_PART_BYTES);
    part.resize(LLVMFuzzerMutate(part.data(), length, part.size()));
    if (parts[PART_VERSION].size() > 255)
        parts[PART_VERSION].resize(255);
    uint32_t count = ticks_coded(parts[PART_TICKS]);
    Bytes &checkpoints = parts[PART_CHECKPOINTS]; // 4 bytes each, one every 30 ticks
    checkpoints.resize(seed % PARTS == PART_CHECKPOINTS ? checkpoints.size() / 4 * 4
                                                        : count / 30 * 4);
    Bytes file(data, data + VERSION_AT);
    file.push_back(uint8_t(parts[PART_VERSION].size()));
    file.insert(file.end(), parts[PART_VERSION].begin(), parts[PART_VERSION].end());
    file.insert(file.end(), parts[PART_HEADER].begin(), parts[PART_HEADER].end());
    put32(file, count);
    put32(file, found <= count ? found : count);
    put32(file, uint32_t(parts[PART_TICKS].size()));
    file.insert(file.end(), parts[PART_TICKS].begin(), parts[PART_TICKS].end());
    put32(file, uint32_t(checkpoints.size() / 4));
    file.insert(file.end(), checkpoints.begin(), checkpoints.end());
    put32(file, 0); // the target makes the checksum right
    if (file.size() > max_size)
        return 0;
    std::copy(file.begin(), file.end(), data);
    return file.size();
}

// Now and then a mutation inside one part of the file, otherwise the fuzzer's own.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t max_size,
                                          unsigned seed) {
    size_t mutated = 0;
    if (seed % STRUCTURE_ODDS == 0)
        mutated = mutate_one_part(data, size, max_size, seed / STRUCTURE_ODDS);
    return mutated ? mutated : LLVMFuzzerMutate(data, size, max_size);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    take_replay_input(data, size);
    return 0;
}
