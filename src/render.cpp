// Drawing: one frame of the world and its overlays, and the pictures it is drawn with.
#include "render.h"

#include <allegro.h>
#include <alleggl.h>
#include <SOIL/SOIL.h>
#include <cmath>
#include <cstdio>

#include "game_state.h"
#include "play.h"

const double ASPECT = 4.0 / 3.0;               // the window's width over its height
const double NEAR_PLANE = 1.0;                 // nothing nearer than this is drawn, world units
const double FAR_PLANE = 8000.0;               // nothing farther than this is drawn, world units
const float DEGREES_PER_RADIAN = 180.0 / M_PI; // turns the game's radians into OpenGL's degrees
const float FENCE_HEIGHT = 40.0f;              // world units
const float LINE_WIDTH = 5.0f;                 // pixels, for every line the game draws
const float SHOT_POINT_SIZE = 3.0f;            // pixels
const int HALF_WIDTH = WINDOW_WIDTH / 2;       // pixels
const int HALF_HEIGHT = WINDOW_HEIGHT / 2;     // pixels
const float CROSS_ARM = 0.04f;                 // the cursor cross's half size, window units (-1..1)
const float INTRO_BOTTOM = -1.0f;              // the intro picture covers the whole window
const float BANNER_BOTTOM = 0.5f;              // the end banner covers the top quarter
const unsigned PICTURE_FLAGS = SOIL_FLAG_POWER_OF_TWO | SOIL_FLAG_TEXTURE_REPEATS; // wrapping
const unsigned FENCE_FLAGS = PICTURE_FLAGS | SOIL_FLAG_INVERT_Y; // top row along the wall's top

const long TGA_HEADER_BYTES = 18;    // fixed part of a TGA file's header
const long TGA_MAX_SIDE = 4096;      // largest picture side accepted, pixels
const int TGA_RUN_LENGTH = 8;        // image type flag: pixels packed in run-length packets
const int TGA_COLOUR_MAPPED = 1;     // image type of colour-index pixels, without the flag
const int TGA_TRUE_COLOUR = 2;       // image type of blue-green-red(-alpha) pixels, likewise
const int TGA_PACKET_REPEATS = 0x80; // packet byte bit: one stored pixel stands for them all
const int TGA_PACKET_COUNT = 0x7f;   // packet byte bits: pixels in the packet, less one
const int TGA_ROW_ORDER_BITS = 0xd0; // descriptor bits for right-to-left or interleaved rows

// Little-endian 16-bit field of the header at `offset`.
static long header_word(const unsigned char *header, int offset) {
    return header[offset] | (header[offset + 1] << 8);
}

// Colour-mapped, true-colour or grey, plain or run-length: the kinds the image loader reads.
static bool tga_type_is_known(int type) {
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

// Whether the pixels are indices into the colour map, plain or packed.
static bool tga_is_colour_mapped(const unsigned char *header) {
    return (header[2] & ~TGA_RUN_LENGTH) == TGA_COLOUR_MAPPED;
}

// The depths the loader reads right: one-byte colour indices, 24- or 32-bit colour, and
// grey alone or grey then alpha.
static bool tga_depth_suits_type(const unsigned char *header) {
    int bits = header[16];
    switch (header[2] & ~TGA_RUN_LENGTH) {
    case TGA_COLOUR_MAPPED:
        return bits == 8;
    case TGA_TRUE_COLOUR:
        return bits == 24 || bits == 32;
    default:
        return bits == 8 || bits == 16;
    }
}

// A colour map just when the pixels are colour indices: one that starts at entry 0, holds at
// least one entry, and has 24- or 32-bit entries (the loader copies entries into a 4-byte pixel).
static bool tga_colour_map_is_sane(const unsigned char *header) {
    if (!tga_is_colour_mapped(header))
        return header[1] == 0;
    return header[1] == 1 && header_word(header, 3) == 0 && header_word(header, 5) >= 1 &&
           (header[7] == 24 || header[7] == 32);
}

// A header the loader can trust: a known kind, its colour map and depth consistent with it,
// sides of 1..TGA_MAX_SIDE pixels, and rows stored left to right, one after the other.
static bool tga_header_is_sane(const unsigned char *header) {
    long width = header_word(header, 12);
    long height = header_word(header, 14);
    return tga_type_is_known(header[2]) && tga_colour_map_is_sane(header) &&
           tga_depth_suits_type(header) && width >= 1 && width <= TGA_MAX_SIDE && height >= 1 &&
           height <= TGA_MAX_SIDE && (header[17] & TGA_ROW_ORDER_BITS) == 0;
}

// Where the pixels start: after the header, the id field and the colour map.
static long tga_pixels_offset(const unsigned char *header) {
    long map_bytes = header[1] ? header_word(header, 5) * (header[7] / 8) : 0;
    return TGA_HEADER_BYTES + header[0] + map_bytes;
}

// Reads past `stored` pixels of `pixel_bytes` each; false when the file ends first or, for
// colour indices into a map of `map_length` entries (0 for none), when one lies beyond it.
static bool tga_skip_pixels(FILE *f, long stored, long pixel_bytes, long map_length) {
    if (map_length == 0)
        return std::fseek(f, stored * pixel_bytes - 1, SEEK_CUR) == 0 && std::getc(f) != EOF;
    for (long k = 0; k < stored; k++) {
        int index = std::getc(f);
        if (index == EOF || index >= map_length)
            return false;
    }
    return true;
}

// Walks run-length packets: each whole, together exactly `pixels` pixels.
static bool tga_packets_are_whole(FILE *f, long pixels, long pixel_bytes, long map_length) {
    for (long done = 0; done < pixels;) {
        int packet = std::getc(f);
        long count = (packet & TGA_PACKET_COUNT) + 1;
        long stored = (packet & TGA_PACKET_REPEATS) ? 1 : count;
        if (packet == EOF || done + count > pixels ||
            !tga_skip_pixels(f, stored, pixel_bytes, map_length))
            return false;
        done += count;
    }
    return true;
}

// Whether every pixel the header promises is in the file, plain or packed.
static bool tga_pixels_are_whole(FILE *f, const unsigned char *header) {
    long pixels = header_word(header, 12) * header_word(header, 14);
    long pixel_bytes = header[16] / 8;
    long map_length = tga_is_colour_mapped(header) ? header_word(header, 5) : 0;
    if (header[2] & TGA_RUN_LENGTH)
        return tga_packets_are_whole(f, pixels, pixel_bytes, map_length);
    return tga_skip_pixels(f, pixels, pixel_bytes, map_length);
}

bool tga_file_is_sane(const char *file) {
    FILE *f = std::fopen(file, "rb");
    if (!f)
        return false;
    unsigned char header[TGA_HEADER_BYTES];
    bool sane =
        std::fread(header, 1, sizeof header, f) == sizeof header && tga_header_is_sane(header) &&
        std::fseek(f, tga_pixels_offset(header), SEEK_SET) == 0 && tga_pixels_are_whole(f, header);
    std::fclose(f);
    return sane;
}

GLuint load_texture(const char *file, unsigned flags) {
    if (!tga_file_is_sane(file))
        return 0;
    return SOIL_load_OGL_texture(file, SOIL_LOAD_RGBA, SOIL_CREATE_NEW_ID, flags);
}

bool set_opengl_mode() {
    install_allegro_gl();
    allegro_gl_clear_settings();
    allegro_gl_set(AGL_COLOR_DEPTH, 32);
    allegro_gl_set(AGL_Z_DEPTH, 24);
    allegro_gl_set(AGL_WINDOWED, TRUE);
    allegro_gl_set(AGL_DOUBLEBUFFER, 1);
    allegro_gl_set(AGL_SUGGEST, AGL_COLOR_DEPTH | AGL_Z_DEPTH | AGL_DOUBLEBUFFER | AGL_WINDOWED);
    return set_gfx_mode(GFX_OPENGL, WINDOW_WIDTH, WINDOW_HEIGHT, 0, 0) >= 0;
}

void set_fixed_gl_state() {
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glLineWidth(LINE_WIDTH);
}

void hand_strands_to_gl() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, strand_vertices);
    glColorPointer(3, GL_FLOAT, 0, strand_colours);
}

void load_textures() {
    fence_texture = load_texture("fencea.tga", FENCE_FLAGS);
    cloud_texture = load_texture("clouda.tga", PICTURE_FLAGS);
    intro_texture = load_texture("introa.tga", PICTURE_FLAGS);
    outro_texture = load_texture("outroa.tga", PICTURE_FLAGS);
}

void enable_cut_out_pictures() {
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_EQUAL, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// Projection: 45 degrees up and down, the 4:3 window's width, from 1 to 8000 units away.
void set_projection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPushMatrix();
    glFrustum(-ASPECT, ASPECT, -1.0, 1.0, NEAR_PLANE, FAR_PLANE);
}

// Clears the window and turns the world so that the player's heading points ahead.
void clear_and_place_camera() {
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    glRotatef(pitch * DEGREES_PER_RADIAN, 1.0f, 0.0f, 0.0f);
    glRotatef(heading * DEGREES_PER_RADIAN + 90.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-eye_x, -eye_y, -eye_z);
}

static void vertex(const Vec3 &v) {
    glVertex3f(v.x, v.y, v.z);
}

static void draw_shot() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_POINTS);
    vertex(shot_pos);
    glEnd();
}

static void draw_ground() {
    glColor3f(0.8f, 0.7f, 0.1f);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, FIELD_SIZE);
    glVertex3f(FIELD_SIZE, 0.0f, FIELD_SIZE);
    glVertex3f(FIELD_SIZE, 0.0f, 0.0f);
    glEnd();
}

static void draw_cloud_strings() {
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    for (const Cloud &cloud : clouds) {
        vertex(cloud.string_low);
        vertex(cloud.string_high);
    }
    glEnd();
}

// The target shows only in play, before the first hit.
static void draw_target() {
    if (intro_active || win_phase != WIN_PLAYING)
        return;
    glColor3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_LINES);
    vertex(target_a);
    vertex(target_b);
    glEnd();
}

// One textured quad with the picture's corners (0,0), (1,0), (1,1), (0,1) at a, b, c, d.
static void picture_quad(const Vec3 &a, const Vec3 &b, const Vec3 &c, const Vec3 &d) {
    glTexCoord2f(0.0f, 0.0f);
    vertex(a);
    glTexCoord2f(1.0f, 0.0f);
    vertex(b);
    glTexCoord2f(1.0f, 1.0f);
    vertex(c);
    glTexCoord2f(0.0f, 1.0f);
    vertex(d);
}

static void draw_clouds() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, cloud_texture);
    glBegin(GL_QUADS);
    for (const Cloud &cloud : clouds)
        picture_quad(cloud.corner0, cloud.corner1, cloud.corner2, cloud.corner3);
    glEnd();
}

// Four walls along the field's edges, the fence picture stretched once over each.
static void draw_fence() {
    const float s = FIELD_SIZE, h = FENCE_HEIGHT;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, fence_texture);
    glBegin(GL_QUADS);
    picture_quad({0, 0, 0}, {0, 0, s}, {0, h, s}, {0, h, 0});
    picture_quad({0, 0, s}, {s, 0, s}, {s, h, s}, {0, h, s});
    picture_quad({s, 0, s}, {s, 0, 0}, {s, h, 0}, {s, h, s});
    picture_quad({s, 0, 0}, {0, 0, 0}, {0, h, 0}, {s, h, 0});
    glEnd();
}

// The whole mound in one draw from the strand arrays handed over at start-up.
static void draw_strands() {
    glDisable(GL_TEXTURE_2D);
    glLineWidth(LINE_WIDTH);
    glDrawArrays(GL_LINES, 0, STRAND_VERTICES);
}

static void draw_world() {
    draw_ground();
    draw_cloud_strings();
    draw_target();
    draw_clouds();
    draw_fence();
    draw_strands();
}

// Drops the projection and the camera: what follows is drawn in window coordinates,
// -1..1 across the window, at depth 0.
void return_to_window_coordinates() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

// An X of two lines shading between four colours at the mouse position.
static void draw_cursor_cross() {
    glPointSize(SHOT_POINT_SIZE);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    float cx = float(mouse_x - HALF_WIDTH) / float(HALF_WIDTH);
    float cy = float(HALF_HEIGHT - mouse_y) / float(HALF_HEIGHT);
    glBegin(GL_LINES);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glVertex2f(cx - CROSS_ARM, cy - CROSS_ARM);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glVertex2f(cx + CROSS_ARM, cy + CROSS_ARM);
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    glVertex2f(cx + CROSS_ARM, cy - CROSS_ARM);
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    glVertex2f(cx - CROSS_ARM, cy + CROSS_ARM);
    glEnd();
}

// A picture across the window's width from its top edge down to `bottom` (-1..1), drawn
// in the current colour, which the cross left yellow.
static void draw_overlay(GLuint texture, float bottom) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, bottom);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, bottom);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void render_frame() {
    recolour_step();
    set_projection();
    clear_and_place_camera();
    if (mouse_b)
        throw_shot(mouse_x, mouse_y);
    draw_shot();
    draw_world();
    return_to_window_coordinates();
    draw_cursor_cross();
    if (intro_active)
        draw_overlay(intro_texture, INTRO_BOTTOM);
    if (win_phase != WIN_PLAYING)
        draw_overlay(outro_texture, BANNER_BOTTOM);
    allegro_gl_flip();
}
