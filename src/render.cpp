// Drawing: one frame of the world and its overlays, and the pictures it is drawn with.
#include "render.h"

#include <allegro.h>
#include <alleggl.h>
#include <SOIL/SOIL.h>
#include <cstdio>

#include "game_state.h"

const long TGA_HEADER_BYTES = 18;        // fixed part of a TGA file's header
const long TGA_MAX_SIDE = 4096;          // largest picture side accepted, pixels
const long TGA_RLE_PACKET_PIXELS = 128;  // most pixels one run-length packet can hold

// Little-endian 16-bit field of the header at `offset`.
static long header_word(const unsigned char *header, int offset) {
    return header[offset] | (header[offset + 1] << 8);
}

static bool tga_type_is_known(int type) {
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

static bool tga_depth_is_known(int bits) {
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// The smallest file that can hold the picture the header describes.
static long tga_smallest_length(const unsigned char *header) {
    long id_bytes = header[0];
    long map_bytes = header[1] ? header_word(header, 5) * ((header[7] + 7) / 8) : 0;
    long pixels = header_word(header, 12) * header_word(header, 14);
    long pixel_bytes = (header[16] + 7) / 8;
    bool run_length = header[2] >= 9;
    long body = run_length
                    ? (pixels + TGA_RLE_PACKET_PIXELS - 1) / TGA_RLE_PACKET_PIXELS * (1 + pixel_bytes)
                    : pixels * pixel_bytes;
    return TGA_HEADER_BYTES + id_bytes + map_bytes + body;
}

bool tga_file_is_sane(const char *file) {
    FILE *f = std::fopen(file, "rb");
    if (!f)
        return false;
    unsigned char header[TGA_HEADER_BYTES];
    bool header_read = std::fread(header, 1, sizeof header, f) == sizeof header;
    std::fseek(f, 0, SEEK_END);
    long length = std::ftell(f);
    std::fclose(f);
    if (!header_read)
        return false;
    long width = header_word(header, 12);
    long height = header_word(header, 14);
    return tga_type_is_known(header[2]) && header[1] <= 1 && tga_depth_is_known(header[16]) &&
           width >= 1 && width <= TGA_MAX_SIDE && height >= 1 && height <= TGA_MAX_SIDE &&
           length >= tga_smallest_length(header);
}

GLuint load_texture(const char *file, unsigned flags) {
    if (!tga_file_is_sane(file))
        return 0;
    return SOIL_load_OGL_texture(file, SOIL_LOAD_RGBA, SOIL_CREATE_NEW_ID, flags);
}

void render_frame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    allegro_gl_flip();
}
