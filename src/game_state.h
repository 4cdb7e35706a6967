// The game's global state: the stage, the player, the shot, the world, its textures and its
// music, as every module shares them; and the mound's shape.
#pragma once

#include <atomic>

#include <GL/gl.h>

#include "music.h"

struct Vec3 {
    float x, y, z; // world units; x and z span the ground, y is up
};

struct Cloud {
    Vec3 corner0;     // upper corner one (x0, y0, z0)
    Vec3 corner1;     // upper corner two (x1, y0, z1)
    Vec3 corner2;     // lower corner two (x1, y1, z1)
    Vec3 corner3;     // lower corner one (x0, y1, z0)
    Vec3 string_low;  // where the string is tied, 4 below the quad's centre
    Vec3 string_high; // the string's upper end, at height 800
};

enum WinPhase { WIN_PLAYING = 0, WIN_RECOLOURING = 1, WIN_FINISHED = 2 };
enum WalkState { WALK_NONE = 0, WALK_WALKING = 1, WALK_STANDING = 2 };

const int TICKS_PER_SECOND = 30; // logic ticks a second of game time

const float QUARTER_PI = 0.7853982f; // pi/4 as the float the game uses
const float FIELD_SIZE = 200.0f;     // the field spans 0..200 in x and z
const float MOUND_HEIGHT = 100.0f;   // height of the mound at the field's centre

extern int intro_active;               // 1 while the attract stage runs
extern int win_phase;                  // WinPhase: 0 playing, 1 recolouring, 2 finished
extern int walk_state;                 // WalkState: 0 before play, 1 walking, 2 standing
extern std::atomic<int> pending_ticks; // logic ticks owed; timer adds, loop pays
extern int recolour_cursor;            // next colour index to recolour, 0..STRAND_VERTICES

extern float eye_x, eye_y, eye_z; // camera position, world units
extern float heading;             // yaw, radians; increasing turns right
extern float pitch;               // downward tilt, radians, nominally 0..pi/4
extern float orbit_angle;         // attract orbit angle, radians
extern float bob_phase;           // phase of the eye's bob, radians

extern Vec3 shot_pos;           // the shot's position
extern Vec3 shot_vel;           // the shot's displacement per tick
extern Vec3 target_a, target_b; // the two ends of the target segment

const int CLOUDS = 20;       // clouds hanging over the field
extern Cloud clouds[CLOUDS]; // the clouds in the sky

const int STRANDS = 50000;                       // line strands making up the mound
const int STRAND_VERTICES = 2 * STRANDS;         // base and tip of each strand
extern Vec3 strand_vertices[STRAND_VERTICES];    // strand k runs from vertex 2k to 2k+1
extern float strand_colours[STRAND_VERTICES][3]; // r, g, b in 0..1, one per vertex

extern GLuint fence_texture; // texture names, 0 when a picture could not be loaded: the fence,
extern GLuint cloud_texture; // the clouds,
extern GLuint intro_texture; // the title card over the attract stage,
extern GLuint outro_texture; // and the end banner

extern MusicStream theme_stream; // music played during play
extern MusicStream intro_stream; // music of the attract stage
extern MusicStream outro_stream; // music after a hit

// The mound's shape: sin^2(pi x/200) * sin^2(pi z/200), 0 on the field's edges, 1 at its centre.
float mound_profile(float x, float z);
