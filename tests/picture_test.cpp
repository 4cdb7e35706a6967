// The picture guard that stands before the image loader: broken files never reach it.
#include <gtest/gtest.h>

#include <SOIL/SOIL.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data_files.h"
#include "picture.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// An 18-byte TGA header: no id, no colour map.
Bytes tga_header(int type, int width, int height, int bits) {
    Bytes h(18, 0);
    h[2] = type;
    h[12] = width & 0xff;
    h[13] = width >> 8;
    h[14] = height & 0xff;
    h[15] = height >> 8;
    h[16] = bits;
    h[17] = bits == 32 ? 0x28 : 0x20; // top-left origin, alpha bits
    return h;
}

// Whether the guard lets `file` through to the loader.
bool accepted(Bytes file) {
    FILE *f = fmemopen(file.data(), file.size(), "rb");
    bool safe = picture_is_safe_to_load(f);
    std::fclose(f);
    return safe;
}

Bytes with_body(Bytes header, size_t body_bytes) {
    header.resize(header.size() + body_bytes, 0x7f);
    return header;
}

// A colour-mapped header: 8-bit indices into `entries` colours of `entry_bits` each.
Bytes mapped_header(int type, int width, int height, int entries, int entry_bits) {
    Bytes h = tga_header(type, width, height, 8);
    h[1] = 1;
    h[5] = entries & 0xff;
    h[6] = entries >> 8;
    h[7] = entry_bits;
    return h;
}

Bytes joined(Bytes head, const Bytes &tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(TgaCheck, AcceptsWholePicturesTheLoaderDecodes) {
    Bytes plain = with_body(tga_header(2, 3, 2, 32), 3 * 2 * 4);
    // Run-length: one packet repeating a BGR pixel over all 4x4 pixels.
    Bytes packed = joined(tga_header(10, 4, 4, 24), {0x80 | 15, 10, 20, 30});
    // Two BGR colours, then 2x2 indices into them.
    Bytes mapped = joined(mapped_header(1, 2, 2, 2, 24), {0, 0, 255, 255, 0, 0, 0, 1, 1, 0});
    // Grey and alpha: a raw packet of two pixels, then a run of two.
    Bytes grey = joined(tga_header(11, 2, 2, 16), {0x01, 10, 255, 20, 255, 0x81, 30, 0});

    for (const Bytes &file : {plain, packed, mapped, grey}) {
        SCOPED_TRACE("image type " + std::to_string(file[2]));
        EXPECT_TRUE(accepted(file));
        int width = 0, height = 0, channels = 0;
        unsigned char *pixels = SOIL_load_image_from_memory(file.data(), file.size(), &width,
                                                            &height, &channels, SOIL_LOAD_RGBA);
        ASSERT_NE(pixels, nullptr);
        EXPECT_GT(width * height, 0);
        SOIL_free_image_data(pixels);
    }
}

TEST(TgaCheck, RejectsHeadersThatClaimMoreThanTheFileHolds) {
    EXPECT_FALSE(accepted(with_body(tga_header(2, 65535, 65535, 32), 400)));
    EXPECT_FALSE(accepted(with_body(tga_header(2, 64, 64, 32), 64 * 64 * 4 - 1)));
    EXPECT_FALSE(accepted(with_body(tga_header(10, 4000, 4000, 32), 400)));
    Bytes with_id = with_body(tga_header(2, 2, 2, 32), 2 * 2 * 4);
    with_id[0] = 200; // an id field longer than the rest of the file
    EXPECT_FALSE(accepted(with_id));
}

TEST(TgaCheck, RejectsHeadersTheLoaderCannotTrust) {
    const struct {
        const char *name;
        Bytes header;
    } cases[] = {
        {"zero_width.tga", tga_header(2, 0, 16, 32)}, {"zero_height.tga", tga_header(2, 16, 0, 32)},
        {"too_wide.tga", tga_header(2, 8192, 1, 32)}, {"unknown_type.tga", tga_header(7, 4, 4, 32)},
        {"no_image.tga", tga_header(0, 4, 4, 32)},    {"odd_depth.tga", tga_header(2, 4, 4, 12)},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(accepted(with_body(c.header, 1 << 18))) << c.name;
}

// Packed pixels count only when the packets are whole and add up to exactly the picture.
TEST(TgaCheck, RejectsRunLengthPacketsThatDoNotAddUpToThePicture) {
    Bytes cut_raw = tga_header(10, 16, 16, 24); // a raw packet of 128 pixels with 33 of them
    cut_raw.push_back(0x7f);
    cut_raw.resize(cut_raw.size() + 100, 0x40);
    Bytes overrun = tga_header(10, 4, 4, 24); // one run of 128 pixels over a 16-pixel picture
    overrun.insert(overrun.end(), {0xff, 1, 2, 3});
    Bytes short_of_pixels = tga_header(10, 4, 4, 24); // a run of 8, then the file ends
    short_of_pixels.insert(short_of_pixels.end(), {0x87, 1, 2, 3});
    Bytes run_without_pixel = tga_header(10, 4, 4, 24); // a run of 16 whose pixel is cut off
    run_without_pixel.insert(run_without_pixel.end(), {0x8f, 1, 2});
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"cut_raw.tga", cut_raw},
        {"overrun.tga", overrun},
        {"short_of_pixels.tga", short_of_pixels},
        {"run_without_pixel.tga", run_without_pixel},
        {"plain_marked_packed.tga", with_body(tga_header(10, 8, 8, 32), 8 * 8 * 4)},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(accepted(c.file)) << c.name;
}

// The loader copies map entries into a 4-byte pixel and indexes the map without bounds.
TEST(TgaCheck, RejectsColourMapsTheLoaderCannotUse) {
    Bytes indices(4, 0);
    Bytes wide_entries = joined(mapped_header(1, 2, 2, 2, 64), Bytes(2 * 8, 0x55));
    Bytes empty_map = mapped_header(1, 2, 2, 0, 24);
    Bytes from_entry_five = joined(mapped_header(1, 2, 2, 2, 24), Bytes(6, 0x55));
    from_entry_five[3] = 5;
    Bytes without_map = mapped_header(1, 2, 2, 2, 24);
    without_map[1] = 0;
    Bytes beside_true_colour = joined(mapped_header(2, 2, 2, 1, 24), {1, 2, 3});
    beside_true_colour[16] = 24;
    Bytes stray_index = joined(mapped_header(9, 2, 2, 2, 24), Bytes(6, 0x55));
    stray_index.insert(stray_index.end(), {0x83, 2}); // a run of index 2 in a 2-entry map
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"wide_entries.tga", joined(wide_entries, indices)},
        {"empty_map.tga", joined(empty_map, indices)},
        {"from_entry_five.tga", joined(from_entry_five, indices)},
        {"without_map.tga", joined(without_map, Bytes(64, 1))},
        {"beside_true_colour.tga", joined(beside_true_colour, Bytes(2 * 2 * 3, 9))},
        {"stray_index.tga", stray_index},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(accepted(c.file)) << c.name;
}

// Kinds the loader would read wrong: depths it takes for another layout, other row orders.
TEST(TgaCheck, RejectsDepthsAndRowOrdersTheLoaderMisreads) {
    Bytes right_to_left = tga_header(2, 4, 4, 32);
    right_to_left[17] |= 0x10;
    Bytes interleaved = tga_header(2, 4, 4, 32);
    interleaved[17] |= 0x40;
    Bytes wide_indices = joined(mapped_header(1, 4, 4, 2, 24), Bytes(6, 0));
    wide_indices[16] = 16;
    const struct {
        const char *name;
        Bytes header;
    } cases[] = {
        {"grey_true_colour.tga", tga_header(2, 4, 4, 8)},
        {"five_bit_colour.tga", tga_header(2, 4, 4, 16)},
        {"colour_grey.tga", tga_header(3, 4, 4, 24)},
        {"wide_indices.tga", wide_indices},
        {"right_to_left.tga", right_to_left},
        {"interleaved.tga", interleaved},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(accepted(with_body(c.header, 1 << 10))) << c.name;
}

TEST(TgaCheck, RejectsMissingAndTruncatedFiles) {
    EXPECT_EQ(load_picture_texture("/nonexistent/fencea.tga", PICTURE_UPRIGHT), 0u);
    EXPECT_FALSE(accepted({}));
    Bytes stub = tga_header(2, 1, 1, 32);
    stub.resize(10);
    EXPECT_FALSE(accepted(stub));
}

TEST(TgaCheck, AcceptsTheGamePictures) {
    for (std::string name : DATA_FILES) {
        if (name.find(".tga") == std::string::npos)
            continue;
        FILE *f = std::fopen((std::string(HAYSTACK_DATA_DIR) + "/" + name).c_str(), "rb");
        ASSERT_NE(f, nullptr) << name;
        EXPECT_TRUE(picture_is_safe_to_load(f)) << name;
        std::fclose(f);
    }
}

} // namespace
