// Pictures on the desktop: TGA files into OpenGL textures through the image loader, behind its
// guard.
#include "picture.h"

GLuint load_picture_texture(const char *file, unsigned flags) {
    FILE *tga = std::fopen(file, "rb");
    bool safe = tga && picture_is_safe_to_load(tga);
    if (tga)
        std::fclose(tga);
    return safe ? SOIL_load_OGL_texture(file, SOIL_LOAD_RGBA, SOIL_CREATE_NEW_ID, flags) : 0;
}
