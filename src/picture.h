// Pictures: TGA files into OpenGL textures through the image loader, behind its guard; in a
// browser, the same textures from the pictures the page decoded.
#pragma once

#include <GL/gl.h>
#include <cstdio>

const int PICTURE_MAX_SIDE = 4096; // longest picture side accepted, pixels

// Which way up a picture goes into its texture.
enum PictureRows {
    PICTURE_UPRIGHT,    // the picture's top row is the texture's first
    PICTURE_UPSIDE_DOWN // its bottom row is: the fence's, whose top runs along the wall's top
};

// The fence, cloud, title card and end banner pictures from the working folder, as textures.
void load_game_pictures();

// Loads a TGA picture into a new OpenGL texture, `rows` its way up, repeating past its edges and
// smoothed between its pixels (sides that are no powers of two stretched to be, on the desktop;
// the game's own are); 0 when the file is missing or is not a picture the image loader can
// safely read. In a browser the picture is the one the page decoded from the PNG file of the
// same name.
GLuint load_picture_texture(const char *file, PictureRows rows);

// Whether `tga`, read from its first byte, holds a TGA picture the image loader reads safely
// and right: a known kind with a consistent colour map and pixel depth, sides of
// 1..PICTURE_MAX_SIDE pixels stored top-down or bottom-up, and every pixel present (run-length
// packets whole and covering the picture exactly, colour indices inside the map).
bool picture_is_safe_to_load(FILE *tga);
