// Loads picture files as the game loads its own, in an OpenGL window, with the fence's flags
// and the other pictures' flags: run under memcheck, it watches the prebuilt image loader.
#include <allegro.h>
#include <alleggl.h>
#include <cstdio>

#include "picture.h"
#include "render.h"

// Loads `file` into a texture with `flags` and lets it go again; whether it loaded.
static bool loads(const char *file, unsigned flags) {
    GLuint texture = load_picture_texture(file, flags);
    if (texture)
        glDeleteTextures(1, &texture);
    return texture != 0;
}

int main(int argc, char **argv) {
    if (allegro_init() != 0 || !set_opengl_mode()) {
        std::fprintf(stderr, "replay_picture: no OpenGL window: %s\n", allegro_error);
        return 2;
    }
    int loaded = 0;
    for (int k = 1; k < argc; k++)
        loaded += loads(argv[k], FENCE_FLAGS) + loads(argv[k], PICTURE_FLAGS);
    std::printf("replay_picture: %d of %d files loaded\n", loaded / 2, argc - 1);
    return 0;
}
END_OF_MAIN()
