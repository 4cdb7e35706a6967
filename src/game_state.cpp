// The game's global state beyond the simulation's and the world's, zeroed at program start.
#include "game_state.h"

std::atomic<int> pending_ticks{0};
int recolour_cursor = 0;

GLuint fence_texture;
GLuint cloud_texture;
GLuint intro_texture;
GLuint outro_texture;

MusicStream theme_stream;
MusicStream intro_stream;
MusicStream outro_stream;
