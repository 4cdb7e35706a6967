// Drawing: one frame of the world and its overlays, and the pictures it is drawn with.
#pragma once

#include <GL/gl.h>

// The OpenGL add-on, its framebuffer attributes (32-bit colour, 24-bit depth, double
// buffering, windowed; all suggestions) and the 640x480 window. False when the mode is refused.
bool set_opengl_mode();

// Drawing state that holds for the whole run: smooth shading, depth test, no culling,
// 5-pixel lines.
void set_fixed_gl_state();

// Hands the strand arrays to OpenGL once; every frame draws straight from them.
void hand_strands_to_gl();

// The fence, cloud, title card and end banner pictures, as textures.
void load_textures();

// Blending with an alpha test that keeps only fully opaque texels, so that the pictures'
// clear parts cut holes.
void enable_cut_out_pictures();

// Draws one complete frame from the game state and shows it.
void render_frame();

// The frame's 3D view, for drawing of its own: the projection; then the cleared window and
// the camera at the player's eye; then back to window coordinates.
void set_projection();
void clear_and_place_camera();
void return_to_window_coordinates();

// Loads a TGA picture into a new OpenGL texture with the image loader's `flags`;
// 0 when the file is missing or is not a picture the loader can safely read.
GLuint load_texture(const char *file, unsigned flags);

// Whether `file` holds a TGA picture the image loader reads safely and right: a known kind
// with a consistent colour map and pixel depth, sides of 1..4096 pixels stored top-down or
// bottom-up, and every pixel present (run-length packets whole and covering the picture
// exactly, colour indices inside the map).
bool tga_file_is_sane(const char *file);
