// Picture files loaded as the game loads its own and checked texel by texel, under memcheck.
#include <allegro.h>
#include <alleggl.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "framing.h"
#include "game_state.h"
#include "picture.h"
#include "render.h"
#include "window.h"
#include "tga.h"

static Bytes read_file(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Rows in the opposite order, as the fence is stored upside down.
static Bytes turned_over(const Bytes &rgba, int width, int height) {
    Bytes turned(rgba.size());
    size_t row = 4 * size_t(width);
    for (int y = 0; y < height; y++)
        std::copy_n(rgba.begin() + y * row, row, turned.begin() + (height - 1 - y) * row);
    return turned;
}

// Whether the bound texture holds `reading`'s pixels; one the loader stretched to
// power-of-two sides is taken as right.
static bool texture_shows(const TgaReading &reading, bool fence) {
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width != reading.width || height != reading.height)
        return true;
    Bytes texels(reading.rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels == (fence ? turned_over(reading.rgba, width, height) : reading.rgba);
}

// Loads `file` into a texture `rows` its way up, counts it in `wrong` when its texels are not
// the pixels the strict reader reads, and lets it go again; whether it loaded.
static bool loads_right(const char *file, PictureRows rows, int &wrong) {
    GLuint texture = load_picture_texture(file, rows);
    if (!texture)
        return false;
    glBindTexture(GL_TEXTURE_2D, texture);
    if (!texture_shows(read_tga_strictly(read_file(file)), rows == PICTURE_UPSIDE_DOWN)) {
        std::printf("replay_picture: %s loaded with other pixels than its own\n", file);
        wrong++;
    }
    glDeleteTextures(1, &texture);
    return true;
}

// Each file upside down, as the fence, and upright, as the other pictures; fails on a texture
// that is not the strict reader's picture, and memcheck fails it on a bad read or write in the
// loader.
int main(int argc, char **argv) {
    if (allegro_init() != 0 || !set_opengl_mode(PICTURE_WIDTH, PICTURE_HEIGHT)) {
        std::fprintf(stderr, "replay_picture: no OpenGL window: %s\n", allegro_error);
        return 2;
    }
    int loaded = 0, wrong = 0;
    for (int k = 1; k < argc; k++)
        loaded += loads_right(argv[k], PICTURE_UPSIDE_DOWN, wrong) +
                  loads_right(argv[k], PICTURE_UPRIGHT, wrong);
    std::printf("replay_picture: %d of %d files loaded, %d textures with other pixels\n",
                loaded / 2, argc - 1, wrong);
    return wrong ? 1 : 0;
}
END_OF_MAIN()
