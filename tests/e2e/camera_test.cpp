// The camera the game works out for its throws against the one the frame's OpenGL calls set,
// read back from a real OpenGL context in a private X server: the same matrix and the same shot
// over many views and aims, but where the game's own correctly rounded sines part from the C
// library's in the last bit, a few views in a hundred.
#include <gtest/gtest.h>

#include <allegro.h>
#include <alleggl.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "camera.h"
#include "framing.h"
#include "game_state.h"
#include "harness.h"
#include "play.h"
#include "render.h"
#include "window.h"

namespace {

const int VIEWS = 20000;        // views compared, each with AIMS throws
const int AIMS = 8;             // throws per view: four corners and four anywhere
const float HEADING_TURNS = 30; // headings up to this many turns either way, as long play gives

// The eye's place and view for the `n`th comparison: the orbit's, the player's steps of a
// tenth of a radian, and anywhere at all, in turn.
void choose_view(int n, std::mt19937 &random) {
    std::uniform_real_distribution<float> place(-20, 220), height(0, 130), any(-1, 1);
    eye_x = place(random);
    eye_z = place(random);
    eye_y = height(random);
    if (n % 3 == 0) { // the attract orbit: looking down at the centre
        float orbit = 0.02f * float(n / 3);
        heading = orbit + M_PI;
        pitch = QUARTER_PI;
    } else if (n % 3 == 1) { // play: turns and tilts in whole steps
        heading = QUARTER_PI + 0.1f * int(any(random) * 600);
        pitch = 0.1f * int((any(random) + 1) * 4.5f) - 0.1f;
    } else {
        heading = any(random) * HEADING_TURNS * 2 * M_PI;
        pitch = any(random);
    }
}

// The matrix the frame's own camera calls leave in OpenGL.
void read_frame_camera(float m[16]) {
    set_projection();
    clear_and_place_camera();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return_to_window_coordinates();
}

const float TURN_SLACK = 2e-7f;     // a turn's element: a float's last bits around 1
const float PLACE_SLACK = 1e-4f;    // the move's and the shot's: those bits times the eye's place
const double MOST_DIFFERING = 0.05; // the share of views whose matrix may differ at all: 3.3 %
                                    // of these, measured

bool near(float a, float b, float slack) {
    return std::fabs(a - b) <= slack;
}

bool near_shot(const Vec3 &a, const Vec3 &b) {
    return near(a.x, b.x, PLACE_SLACK) && near(a.y, b.y, PLACE_SLACK) &&
           near(a.z, b.z, PLACE_SLACK);
}

TEST(Camera, TheGamesOwnIsTheMatrixTheFrameSetsAndThrowsTheSameShot) {
    XServer x;
    ASSERT_TRUE(x.dpy);
    setenv("DISPLAY", x.name.c_str(), 1);
    ASSERT_EQ(allegro_init(), 0);
    ASSERT_TRUE(set_opengl_mode(PICTURE_WIDTH, PICTURE_HEIGHT)) << allegro_gl_error;
    std::mt19937 random(20261210);
    std::uniform_real_distribution<float> across(0, PICTURE_WIDTH), down(0, PICTURE_HEIGHT);
    const float CORNERS[4][2] = {{0, 0}, {639, 0}, {0, 479}, {639, 479}};
    int matrices_differing = 0, matrices_apart = 0, shots_apart = 0;
    for (int n = 0; n < VIEWS; n++) {
        choose_view(n, random);
        float frame[16], game[16];
        read_frame_camera(frame);
        camera_matrix(game);
        bool differs = false, apart = false;
        for (int i = 0; i < 16; i++) {
            differs = differs || frame[i] != game[i];
            apart = apart || !near(frame[i], game[i], i >= 12 ? PLACE_SLACK : TURN_SLACK);
        }
        matrices_differing += differs;
        matrices_apart += apart;
        for (int a = 0; a < AIMS; a++) {
            float cx = a < 4 ? CORNERS[a][0] : across(random);
            float cy = a < 4 ? CORNERS[a][1] : down(random);
            throw_shot(cx, cy, frame);
            Vec3 by_frame_pos = shot_pos, by_frame_vel = shot_vel;
            throw_shot(cx, cy, game);
            shots_apart += !near_shot(by_frame_pos, shot_pos) || !near_shot(by_frame_vel, shot_vel);
        }
    }
    allegro_exit();
    RecordProperty("matrices_differing", matrices_differing);
    EXPECT_LE(matrices_differing, MOST_DIFFERING * VIEWS) << "of " << VIEWS << " views";
    EXPECT_EQ(matrices_apart, 0) << "of " << VIEWS << " views";
    EXPECT_EQ(shots_apart, 0) << "of " << VIEWS * AIMS << " throws";
}

} // namespace
