// Pictures on the desktop: TGA files into OpenGL textures through the image loader, behind its
// guard.
#include "picture.h"

#include <SOIL/SOIL.h>

const unsigned UPRIGHT_FLAGS = // the image loader's: power-of-two sides, wrapping at the edges
    SOIL_FLAG_POWER_OF_TWO | SOIL_FLAG_TEXTURE_REPEATS;
const unsigned UPSIDE_DOWN_FLAGS = UPRIGHT_FLAGS | SOIL_FLAG_INVERT_Y; // and the bottom row first

GLuint load_picture_texture(const char *file, PictureRows rows) {
    FILE *tga = std::fopen(file, "rb");
    bool safe = tga && picture_is_safe_to_load(tga);
    if (tga)
        std::fclose(tga);
    unsigned flags = rows == PICTURE_UPSIDE_DOWN ? UPSIDE_DOWN_FLAGS : UPRIGHT_FLAGS;
    return safe ? SOIL_load_OGL_texture(file, SOIL_LOAD_RGBA, SOIL_CREATE_NEW_ID, flags) : 0;
}
