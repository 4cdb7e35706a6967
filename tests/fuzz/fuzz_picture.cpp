// Fuzz target: the picture guard and the image loader behind it, judged by the strict reader.
#include <SOIL/SOIL.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture.h"
#include "tga.h"

const int HEADER_BYTES = 18;         // fixed part of a TGA file's header
const unsigned char TGA_VALUES[] = { // values with a meaning in some header field: kinds,
    0,  1,    2,    3,    8,    9,    10,   11,
    15, 16,   24, //   map types, depths, descriptor bits, extremes
    32, 0x20, 0x28, 0x30, 0x40, 0x7f, 0x80, 0xff};
const unsigned TGA_VALUE_COUNT = sizeof TGA_VALUES; // values in that list
const unsigned HEADER_MUTATION_ODDS = 4; // one mutation in this many also sets a header byte

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t max_size);

// The fuzzer's own mutation, and now and then one header byte set to a value TGA fields take.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t max_size,
                                          unsigned seed) {
    size = LLVMFuzzerMutate(data, size, max_size);
    if (size >= HEADER_BYTES && seed % HEADER_MUTATION_ODDS == 0)
        data[seed / HEADER_MUTATION_ODDS % HEADER_BYTES] =
            TGA_VALUES[seed / HEADER_MUTATION_ODDS / HEADER_BYTES % TGA_VALUE_COUNT];
    return size;
}

static bool guard_accepts(const uint8_t *data, size_t size) {
    FILE *tga = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    bool safe = tga && picture_is_safe_to_load(tga);
    if (tga)
        std::fclose(tga);
    return safe;
}

[[noreturn]] static void disagree(const char *what, const char *fault) {
    std::fprintf(stderr, "fuzz_picture: %s%s\n", what, fault ? fault : "");
    std::abort();
}

// The guard lets through exactly the whole pictures, and the loader reads those as they are.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TgaReading reading = read_tga_strictly(Bytes(data, data + size));
    bool accepted = guard_accepts(data, size);
    if (accepted && !reading.well_formed)
        disagree("the guard let through a malformed picture: ", reading.fault);
    if (!accepted && reading.well_formed)
        disagree("the guard refused a whole picture", nullptr);
    if (!accepted)
        return 0;
    int width = 0, height = 0, channels = 0;
    unsigned char *rgba =
        SOIL_load_image_from_memory(data, size, &width, &height, &channels, SOIL_LOAD_RGBA);
    if (!rgba || width != reading.width || height != reading.height)
        disagree("the loader read a whole picture at another size, or not at all", nullptr);
    if (std::memcmp(rgba, reading.rgba.data(), reading.rgba.size()) != 0)
        disagree("the loader read a whole picture with other pixels than its own", nullptr);
    SOIL_free_image_data(rgba);
    return 0;
}
