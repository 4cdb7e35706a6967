// Drawing: the fixed OpenGL state, and one frame of the world and its overlays.
#include "render.h"

#include <cmath>

#include "aim.h"
#include "camera.h"
#include "controls.h"
#include "framing.h"
#include "game_state.h"
#include "lettering.h"
#include "options_screen.h"
#include "play.h"
#include "replays.h"
#include "rounds.h"
#include "screen.h"
#include "sending.h"

const double ASPECT = 4.0 / 3.0;     // the window's width over its height
const double NEAR_PLANE = 1.0;       // nothing nearer than this is drawn, world units
const double FAR_PLANE = 8000.0;     // nothing farther than this is drawn, world units
const float FENCE_HEIGHT = 40.0f;    // world units
const float LINE_WIDTH = 5.0f;       // game pixels, for every line the game draws
const float SHOT_POINT_SIZE = 3.0f;  // game pixels
const float SKY_RED = 0.4f;          // the clear colour, a light blue, 0..1
const float SKY_GREEN = 0.6f;        // likewise
const float SKY_BLUE = 0.8f;         // likewise
const float CROSS_ARM = 0.04f;       // the cursor cross's half size, window units (-1..1)
const float INTRO_BOTTOM = -1.0f;    // the intro picture covers the whole window
const float BANNER_BOTTOM = 0.5f;    // the end banner covers the top quarter
const float GLINT_LINE_WIDTH = 3.0f; // the glinting needle's width over a line's
const float RESULT_SIZE = 2.0f;      // game pixels a font pixel under the banner: capitals 14 tall
const float RESULT_TOP = 132.0f;     // the first line's top under the banner, game pixels
const float RESULT_PITCH = 20.0f;    // from one line's top to the next's, game pixels
const float RESULT_MARGIN = 8.0f;    // the dark band's margin round the lines, game pixels
const float RESULT_ALPHA = 0.85f;    // how much of the game the band hides, 0..1
const float HINT_SIZE = 2.0f;        // game pixels a font pixel of the title card's hint of keys
const float HINT_BOTTOM = 292.0f;    // the hint's band's foot, game pixels: in the title card's
                                     // window onto the field, whose foot is at 300
const float HINT_ROOM = 590.0f;      // the widest the hint may be, game pixels: that window's
                                     // 607 less the band's margins

static Framing framing = frame_picture(PICTURE_WIDTH, PICTURE_HEIGHT); // the picture's place now

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

void enable_texturing() {
    glEnable(GL_TEXTURE_2D);
}

void set_sky_colour() {
    glClearColor(SKY_RED, SKY_GREEN, SKY_BLUE, 0.0f);
}

void enable_cut_out_pictures() {
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_EQUAL, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// The bars beside (or above and below) the picture painted black, when it leaves any: the
// scissor that keeps the picture's drawing off them also keeps the sky's clear off them.
static void blacken_bars(int window_width, int window_height) {
    if (framing.width == window_width && framing.height == window_height)
        return;
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    set_sky_colour();
}

// Fits this frame to the window as it is now: black bars round the largest 4:3 picture that
// fits, drawing held to the picture by the viewport and the scissor, lines and points as
// thick as the picture is large.
static void fit_picture_to_window() {
    int window_width, window_height;
    read_window_size(&window_width, &window_height);
    framing = frame_picture(window_width, window_height);
    blacken_bars(window_width, window_height);
    glViewport(framing.left, framing.bottom, framing.width, framing.height);
    glScissor(framing.left, framing.bottom, framing.width, framing.height);
    glEnable(GL_SCISSOR_TEST);
    glLineWidth(LINE_WIDTH * framing.scale);
}

// Projection: 45 degrees up and down, the 4:3 window's width, from 1 to 8000 units away.
void set_projection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPushMatrix();
    glFrustum(-ASPECT, ASPECT, -1.0, 1.0, NEAR_PLANE, FAR_PLANE);
}

// Clears the window and turns the world so that the player's heading points ahead: the
// camera the game works out for its throws.
void clear_and_place_camera() {
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    glRotatef(camera_pitch_degrees(), 1.0f, 0.0f, 0.0f);
    glRotatef(camera_heading_degrees(), 0.0f, 1.0f, 0.0f);
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

// The target shows only in play, before the first hit: blue, or for a glint's moment white
// and wider.
static void draw_target() {
    if (intro_active || win_phase != WIN_PLAYING)
        return;
    bool glint = needle_glinting();
    if (glint) {
        glColor3f(1.0f, 1.0f, 1.0f);
        glLineWidth(LINE_WIDTH * GLINT_LINE_WIDTH * framing.scale);
    } else
        glColor3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_LINES);
    vertex(target_a);
    vertex(target_b);
    glEnd();
    if (glint)
        glLineWidth(LINE_WIDTH * framing.scale);
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
    glLineWidth(LINE_WIDTH * framing.scale);
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

// An X of two lines shading between four colours at the aiming cross's place in the picture.
static void draw_cursor_cross() {
    glPointSize(SHOT_POINT_SIZE * framing.scale);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    float cx = (cross_x() - HALF_PICTURE_WIDTH) / HALF_PICTURE_WIDTH;
    float cy = (HALF_PICTURE_HEIGHT - cross_y()) / HALF_PICTURE_HEIGHT;
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

// Light lines of lettering on a dark band, each centred across the picture, the first's top at
// `top`; a font pixel `size` game pixels, and the lines as far apart for it as the result lines.
static void draw_lines_on_band(const char *const lines[], int count, float top, float size) {
    float widest = 0;
    for (int i = 0; i < count; i++)
        widest = std::fmax(widest, text_width(lines[i], size));
    float line_pitch = RESULT_PITCH / RESULT_SIZE * size;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glColor4f(0.02f, 0.03f, 0.08f, RESULT_ALPHA);
    fill_rectangle(HALF_PICTURE_WIDTH - widest / 2 - RESULT_MARGIN, top - RESULT_MARGIN,
                   HALF_PICTURE_WIDTH + widest / 2 + RESULT_MARGIN, top + count * line_pitch);
    glColor4f(1.0f, 1.0f, 0.9f, 1.0f);
    for (int i = 0; i < count; i++)
        draw_text(lines[i], HALF_PICTURE_WIDTH - text_width(lines[i], size) / 2,
                  top + i * line_pitch, size);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
}

// The time, the best time and what comes next, in light lines on a dark band under the end
// banner, each line centred.
static void draw_result_lines() {
    char lines[RESULT_LINES][RESULT_LINE_SIZE];
    char board[RESULT_LINE_SIZE];
    int count = result_lines(lines, watching, board_line(board, sizeof board) ? board : nullptr);
    const char *texts[RESULT_LINES];
    for (int i = 0; i < count; i++)
        texts[i] = lines[i];
    draw_lines_on_band(texts, count, RESULT_TOP, RESULT_SIZE);
}

// How to walk and how to open the options screen, in the keys in force, on a band at the foot of
// the title card's window onto the field; half as large when a long key name would not fit.
static void draw_key_hint() {
    char lines[HINT_LINES][HINT_LINE_SIZE];
    int count = key_hint_lines(lines, int(HINT_ROOM / (GLYPH_ADVANCE * HINT_SIZE)));
    const char *texts[HINT_LINES];
    float widest = 0;
    for (int i = 0; i < count; i++) {
        texts[i] = lines[i];
        widest = std::fmax(widest, text_width(lines[i], HINT_SIZE));
    }
    float size = widest <= HINT_ROOM ? HINT_SIZE : HINT_SIZE / 2;
    draw_lines_on_band(texts, count, HINT_BOTTOM - count * RESULT_PITCH / RESULT_SIZE * size, size);
}

void render_frame() {
    fit_picture_to_window();
    set_projection();
    clear_and_place_camera();
    draw_shot();
    draw_world();
    return_to_window_coordinates();
    draw_cursor_cross();
    if (intro_active) {
        draw_overlay(intro_texture, INTRO_BOTTOM);
        draw_key_hint();
    }
    if (win_phase != WIN_PLAYING) {
        draw_overlay(outro_texture, BANNER_BOTTOM);
        draw_result_lines();
    }
    draw_options_screen();
}
