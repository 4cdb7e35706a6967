// The TGA check that stands before the image loader: broken headers never reach it.
#include <gtest/gtest.h>

#include <SOIL/SOIL.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render.h"
#include "scratch_dir.h"

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

std::string write_file(const std::string &name, const Bytes &bytes) {
    std::string path = scratch_dir() + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

Bytes with_body(Bytes header, size_t body_bytes) {
    header.resize(header.size() + body_bytes, 0x7f);
    return header;
}

TEST(TgaCheck, AcceptsWholePicturesTheLoaderDecodes) {
    std::string plain = write_file("plain.tga", with_body(tga_header(2, 3, 2, 32), 3 * 2 * 4));
    // Run-length: one packet repeating a BGR pixel over all 4x4 pixels.
    Bytes rle = tga_header(10, 4, 4, 24);
    rle.insert(rle.end(), {0x80 | 15, 10, 20, 30});
    std::string packed = write_file("packed.tga", rle);

    for (const std::string &path : {plain, packed}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(tga_file_is_sane(path.c_str()));
        int width = 0, height = 0, channels = 0;
        unsigned char *pixels =
            SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_RGBA);
        ASSERT_NE(pixels, nullptr);
        EXPECT_GT(width * height, 0);
        SOIL_free_image_data(pixels);
    }
}

TEST(TgaCheck, RejectsHeadersThatClaimMoreThanTheFileHolds) {
    EXPECT_FALSE(tga_file_is_sane(
        write_file("huge.tga", with_body(tga_header(2, 65535, 65535, 32), 400)).c_str()));
    EXPECT_FALSE(tga_file_is_sane(
        write_file("short_body.tga", with_body(tga_header(2, 64, 64, 32), 64 * 64 * 4 - 1))
            .c_str()));
    EXPECT_FALSE(tga_file_is_sane(
        write_file("huge_rle.tga", with_body(tga_header(10, 4000, 4000, 32), 400)).c_str()));
    Bytes with_id = with_body(tga_header(2, 2, 2, 32), 2 * 2 * 4);
    with_id[0] = 200; // an id field longer than the rest of the file
    EXPECT_FALSE(tga_file_is_sane(write_file("long_id.tga", with_id).c_str()));
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
        EXPECT_FALSE(tga_file_is_sane(write_file(c.name, with_body(c.header, 1 << 18)).c_str()))
            << c.name;
}

TEST(TgaCheck, RejectsMissingAndTruncatedFiles) {
    EXPECT_FALSE(tga_file_is_sane("/nonexistent/fencea.tga"));
    EXPECT_FALSE(tga_file_is_sane(write_file("empty.tga", {}).c_str()));
    Bytes stub = tga_header(2, 1, 1, 32);
    stub.resize(10);
    EXPECT_FALSE(tga_file_is_sane(write_file("stub.tga", stub).c_str()));
}

TEST(TgaCheck, AcceptsTheGamePictures) {
    for (const char *name : {"fencea.tga", "clouda.tga", "introa.tga", "outroa.tga"})
        EXPECT_TRUE(tga_file_is_sane((std::string(HAYSTACK_DATA_DIR) + "/" + name).c_str()))
            << name;
}

} // namespace
