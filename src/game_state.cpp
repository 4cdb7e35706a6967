// The game's global state, zeroed at program start, and the mound profile.
#include "game_state.h"

#include <cmath>

int intro_active = 1;
int win_phase = WIN_PLAYING;
int walk_state = WALK_NONE;
std::atomic<int> pending_ticks{0};
int recolour_cursor = 0;

float eye_x, eye_y, eye_z;
float heading;
float pitch;
float orbit_angle;
float bob_phase;

Vec3 shot_pos;
Vec3 shot_vel;
Vec3 target_a, target_b;

Cloud clouds[CLOUDS];
Vec3 strand_vertices[STRAND_VERTICES];
float strand_colours[STRAND_VERTICES][3];

GLuint fence_texture;
GLuint cloud_texture;
GLuint intro_texture;
GLuint outro_texture;

MusicStream theme_stream;
MusicStream intro_stream;
MusicStream outro_stream;

float mound_profile(float x, float z) {
    double sx = std::sin(M_PI * x / FIELD_SIZE);
    double sz = std::sin(M_PI * z / FIELD_SIZE);
    return float(sx * sx * sz * sz);
}
