// Drawing: the fixed OpenGL state, and one frame of the world and its overlays.
#pragma once

// Drawing state that holds for the whole run: smooth shading, depth test, no culling,
// 5-pixel lines.
void set_fixed_gl_state();

// Hands the strand arrays to OpenGL; every frame draws straight from them. At start-up, and
// again when a new field has filled them anew.
void hand_strands_to_gl();

// Textured drawing on: the pictures show wherever a texture is bound.
void enable_texturing();

// The sky's light blue as the colour each frame is cleared to.
void set_sky_colour();

// Blending with an alpha test that keeps only fully opaque texels, so that the pictures'
// clear parts cut holes.
void enable_cut_out_pictures();

// Draws one complete frame from the game state, its 4:3 picture fitted to the window as it is
// now, into the back buffer; nothing else: the flip shows it.
void render_frame();

// The frame's 3D view, for drawing of its own: the projection; then the cleared window and
// the camera at the player's eye; then back to window coordinates.
void set_projection();
void clear_and_place_camera();
void return_to_window_coordinates();
