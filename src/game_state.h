// The game's global state beyond the simulation's and the world's: the ticks owed, the won
// stage's recolouring, and the textures and music the frame and the stages use.
#pragma once

#include <atomic>

#include <GL/gl.h>

#include "music.h"
#include "sim.h"
#include "world.h"

extern std::atomic<int> pending_ticks; // logic ticks owed; timer adds, loop pays
extern int recolour_cursor;            // next colour index to recolour, 0..STRAND_VERTICES

extern GLuint fence_texture; // texture names, 0 when a picture could not be loaded: the fence,
extern GLuint cloud_texture; // the clouds,
extern GLuint intro_texture; // the title card over the attract stage,
extern GLuint outro_texture; // and the end banner

extern MusicStream theme_stream; // music played during play
extern MusicStream intro_stream; // music of the attract stage
extern MusicStream outro_stream; // music after a hit
