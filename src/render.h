// Drawing: the OpenGL window and its fixed state, and one frame of the world and its overlays.
#pragma once

#include <GL/gl.h>

// The OpenGL add-on, its framebuffer attributes (32-bit colour, 24-bit depth, double
// buffering, windowed; all suggestions) and the window, width x height pixels (640x480 times
// the scale). False when the mode is refused.
bool set_opengl_mode(int width, int height);

// Drawing state that holds for the whole run: smooth shading, depth test, no culling,
// 5-pixel lines.
void set_fixed_gl_state();

// Hands the strand arrays to OpenGL; every frame draws straight from them. The frame hands
// them over again when a new field has filled them anew.
void hand_strands_to_gl();

// Textured drawing on: the pictures show wherever a texture is bound.
void enable_texturing();

// The sky's light blue as the colour each frame is cleared to.
void set_sky_colour();

// Blending with an alpha test that keeps only fully opaque texels, so that the pictures'
// clear parts cut holes.
void enable_cut_out_pictures();

// Reads the pointer as a place in the picture, as the window frames it now: the cross goes
// there if the pointer moved. First in each turn of the main loop, so that a click on the
// options screen and a throw both go where the pointer is now.
void follow_pointer();

// Draws one complete frame from the game state and shows it, its 4:3 picture fitted to the
// window as it is now.
void render_frame();

// The frame's 3D view, for drawing of its own: the projection; then the cleared window and
// the camera at the player's eye; then back to window coordinates.
void set_projection();
void clear_and_place_camera();
void return_to_window_coordinates();
