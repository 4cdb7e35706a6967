// Where the game's 4:3 picture sits in a window, and pointer positions mapped into it.
#include "framing.h"

#include <algorithm>

Framing frame_picture(int window_width, int window_height) {
    Framing f;
    bool wider_than_picture = window_width * PICTURE_HEIGHT > window_height * PICTURE_WIDTH;
    f.height = wider_than_picture ? window_height : window_width * PICTURE_HEIGHT / PICTURE_WIDTH;
    f.width = wider_than_picture ? window_height * PICTURE_WIDTH / PICTURE_HEIGHT : window_width;
    f.left = (window_width - f.width) / 2;
    f.top = (window_height - f.height) / 2;
    f.bottom = window_height - f.top - f.height;
    f.scale = float(f.width) / PICTURE_WIDTH;
    return f;
}

// A window pixel coordinate kept within the picture's first and last pixel, `from` + 0..size-1,
// then counted in game pixels (game_size across the picture's size) from the picture's edge.
static float into_picture(float at, int from, int size, int game_size) {
    float inside = std::clamp(at, float(from), float(from + size - 1));
    return (inside - from) * game_size / size;
}

void pointer_in_picture(const Framing &framing, float x, float y, float *game_x, float *game_y) {
    *game_x = into_picture(x, framing.left, framing.width, PICTURE_WIDTH);
    *game_y = into_picture(y, framing.top, framing.height, PICTURE_HEIGHT);
}

int largest_fitting_scale(int area_width, int area_height) {
    int across = area_width / PICTURE_WIDTH, down = area_height / PICTURE_HEIGHT;
    return std::max(1, std::min(across, down));
}
