// The tests' own TGA writer and strict reader, which judge the picture fuzzer's inputs.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tga.h"

namespace {

const int LEVELS[] = {0, 85, 170, 255}; // channel values every form keeps exactly

// A small opaque picture of many colours whose channels are all in LEVELS.
Picture test_picture(int width, int height) {
    Picture p = {width, height, Bytes()};
    for (int i = 0; i < width * height; i++)
        p.rgba.insert(p.rgba.end(), {(unsigned char)LEVELS[i % 4], (unsigned char)LEVELS[i / 4 % 4],
                                     (unsigned char)LEVELS[(i / 3 + 1) % 4], 255});
    return p;
}

// What a grey form keeps of `p`: its green channel, and alpha.
Bytes grey_of(const Picture &p) {
    Bytes grey = p.rgba;
    for (size_t at = 0; at < grey.size(); at += 4)
        grey[at] = grey[at + 2] = grey[at + 1];
    return grey;
}

TEST(StrictReader, ReadsEveryFormBackAsThePicture) {
    Picture picture = test_picture(7, 5);
    const struct {
        int type, depth;
        bool top_first, rows_apart, grey;
    } forms[] = {
        {2, 32, true, false, false},   {2, 24, false, false, false}, {10, 32, true, true, false},
        {10, 24, false, false, false}, {3, 8, true, false, true},    {11, 16, false, false, true},
        {1, 24, false, false, false},  {9, 32, true, true, false},   {9, 24, false, false, false},
    };
    for (const auto &f : forms) {
        SCOPED_TRACE("type " + std::to_string(f.type) + ", depth " + std::to_string(f.depth));
        Bytes file = encode_tga(picture, f.type, f.depth, f.top_first, f.rows_apart);
        file.insert(file.end(), 26, 0); // a footer's worth of bytes after the picture
        TgaReading reading = read_tga_strictly(file);
        ASSERT_TRUE(reading.well_formed) << reading.fault;
        EXPECT_EQ(reading.width, 7);
        EXPECT_EQ(reading.height, 5);
        EXPECT_EQ(reading.rgba, f.grey ? grey_of(picture) : picture.rgba);
    }
}

TEST(StrictReader, NamesWhatIsWrongWithEachKindOfBrokenFile) {
    Picture picture = test_picture(3, 2);
    const Bytes plain = encode_tga(picture, 2, 32, true, false);
    const Bytes packed = encode_tga(picture, 10, 24, false, false);
    const Bytes mapped = encode_tga(picture, 1, 24, false, false);
    const struct {
        const char *fault;
        const Bytes &start;
        std::function<void(Bytes &)> damage;
    } cases[] = {
        {"shorter than a TGA header", plain, [](Bytes &f) { f.resize(17); }},
        {"image type the loader does not read", plain, [](Bytes &f) { f[2] = 7; }},
        {"colour map type other than 0 or 1", plain, [](Bytes &f) { f[1] = 2; }},
        {"colour-mapped picture without a colour map", mapped, [](Bytes &f) { f[1] = 0; }},
        {"colour map beside pixels that do not use it", plain, [](Bytes &f) { f[1] = 1; }},
        {"picture without pixels", plain, [](Bytes &f) { f[12] = f[13] = 0; }},
        {"side longer than the game accepts", plain, [](Bytes &f) { f[14] = 1, f[15] = 16; }},
        {"pixel depth that does not suit the image type", plain, [](Bytes &f) { f[16] = 16; }},
        {"pixel depth that does not suit the image type", mapped, [](Bytes &f) { f[16] = 24; }},
        {"colour map that does not start at entry 0", mapped, [](Bytes &f) { f[3] = 1; }},
        {"empty colour map", mapped, [](Bytes &f) { f[5] = f[6] = 0; }},
        {"colour map entries of neither 24 nor 32 bits", mapped, [](Bytes &f) { f[7] = 16; }},
        {"rows stored right to left", plain, [](Bytes &f) { f[17] |= 0x10; }},
        {"interleaved rows", plain, [](Bytes &f) { f[17] |= 0x40; }},
        {"file ends inside the id field", plain, [](Bytes &f) { f[0] = 255; }},
        {"file ends inside the colour map", mapped, [](Bytes &f) { f[5] = 200; }},
        {"file ends inside the pixels", plain, [](Bytes &f) { f.pop_back(); }},
        {"file ends inside the pixels", packed, [](Bytes &f) { f.pop_back(); }},
        {"run-length packet running past the last pixel", packed, [](Bytes &f) { f[18] = 0x7f; }},
        {"colour index beyond the colour map", mapped, [](Bytes &f) { f.back() = f[5]; }},
    };
    for (const auto &c : cases) {
        Bytes file = c.start;
        c.damage(file);
        TgaReading reading = read_tga_strictly(file);
        EXPECT_FALSE(reading.well_formed) << c.fault;
        EXPECT_STREQ(reading.fault ? reading.fault : "", c.fault);
    }
}

} // namespace
