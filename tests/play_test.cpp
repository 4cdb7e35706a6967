// The game's logic driven through its global state: the orbit, walking, looking down,
// the throw, the hit, the recolouring and the music that follows the stages.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "aim.h"
#include "controls.h"
#include "game_state.h"
#include "input.h"
#include "music.h"
#include "play.h"
#include "settings.h"

namespace {

const float EPS = 1e-4f; // slack for float arithmetic, world units or radians

struct Matrix {
    float m[16]; // column-major, as OpenGL hands it out
};

// The camera a frame sets for an eye at `eye` with `heading` and `pitch`: turn down by the
// pitch about x, turn by heading + 90 degrees about y, then move the eye to the origin.
Matrix camera(Vec3 eye, double heading_, double pitch_) {
    double a = pitch_, b = heading_ + M_PI / 2;
    double r[3][3] = {{std::cos(b), 0, std::sin(b)},
                      {std::sin(a) * std::sin(b), std::cos(a), -std::sin(a) * std::cos(b)},
                      {-std::cos(a) * std::sin(b), std::sin(a), std::cos(a) * std::cos(b)}};
    Matrix c = {};
    for (int row = 0; row < 3; row++) {
        for (int col = 0; col < 3; col++)
            c.m[col * 4 + row] = r[row][col];
        c.m[12 + row] = -(r[row][0] * eye.x + r[row][1] * eye.y + r[row][2] * eye.z);
    }
    c.m[15] = 1;
    return c;
}

float length(Vec3 v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// The game as start-up leaves it, with a target far from every place the tests use, no key
// down and no music.
class PlayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        intro_active = 1;
        win_phase = WIN_PLAYING;
        walk_state = WALK_NONE;
        recolour_cursor = 0;
        eye_x = eye_z = 20;
        eye_y = 0;
        heading = QUARTER_PI;
        pitch = orbit_angle = bob_phase = 0;
        shot_pos = shot_vel = {0, 0, 0};
        target_a = {96, 48, 97};
        target_b = {104, 52, 103}; // midpoint (100, 50, 100)
        std::memset((void *)key, 0, KEY_MAX);
        theme_stream = intro_stream = outro_stream = nullptr;
        default_settings(&settings);
    }

    // Play from a chosen place, facing along `h`, standing, level.
    void play_from(float x, float z, float h) {
        intro_active = 0;
        eye_x = x;
        eye_z = z;
        heading = h;
    }

    void ticks(int n) {
        for (int i = 0; i < n; i++)
            tick_update();
    }

    // The key pressed and let go at once, through the keyboard callback the game's latches
    // hook (install_input_latches first).
    static void tap(int scancode) {
        keyboard_lowlevel_callback(scancode);
        keyboard_lowlevel_callback(scancode | 0x80);
    }

    static void let_go(int scancode) {
        key[scancode] = 0;
        keyboard_lowlevel_callback(scancode | 0x80);
    }
};

TEST_F(PlayTest, AttractOrbitCirclesTheCentreLookingDownAndIgnoresTheArrows) {
    key[KEY_UP] = key[KEY_LEFT] = 1;
    shot_vel = {1, 2, 3};
    for (int t = 1; t <= 200; t++) {
        tick_update();
        ASSERT_NEAR(orbit_angle, 0.02 * t, EPS) << "tick " << t;
        ASSERT_NEAR(std::hypot(eye_x - 100, eye_z - 100), 100, EPS) << "tick " << t;
        ASSERT_NEAR(std::atan2(eye_z - 100, eye_x - 100), std::remainder(0.02 * t, 2 * M_PI), EPS);
        ASSERT_EQ(eye_y, 100);
        ASSERT_EQ(pitch, QUARTER_PI);
        // Facing the centre: the heading's direction runs from the eye to (100, 100).
        ASSERT_NEAR(std::cos(heading) * 100, 100 - eye_x, 1e-3) << "tick " << t;
        ASSERT_NEAR(std::sin(heading) * 100, 100 - eye_z, 1e-3) << "tick " << t;
    }
    EXPECT_EQ(intro_active, 1);
    EXPECT_EQ(walk_state, WALK_NONE);
    EXPECT_EQ(shot_pos.x, 0); // the shot waits for play
}

TEST_F(PlayTest, SpaceHandsTheCameraOverWhereItStoodAndKeepsTheTilt) {
    ticks(30);
    key[KEY_SPACE] = 1;
    tick_update(); // the orbit's last step, which sees Space
    float x = eye_x, z = eye_z, h = heading;
    EXPECT_EQ(intro_active, 0);
    EXPECT_EQ(walk_state, WALK_NONE);

    tick_update(); // first play tick, Space still down
    EXPECT_EQ(eye_x, x);
    EXPECT_EQ(eye_z, z);
    EXPECT_EQ(heading, h);
    EXPECT_EQ(walk_state, WALK_STANDING);
    EXPECT_EQ(pitch, QUARTER_PI) << "pi/4 as a float is not below pi/4 as a double";
    EXPECT_NEAR(eye_y, 100 * mound_profile(x, z) + std::sin(0.1) + 10, EPS);

    key[KEY_SPACE] = 0;
    tick_update();
    EXPECT_NEAR(pitch, QUARTER_PI - 0.2, EPS);
}

// A key pressed and let go between two ticks, or a button between two frames, is read once
// as held, and then no more.
TEST_F(PlayTest, PressesBetweenTwoReadsCountOnce) {
    install_input_latches();
    tap(KEY_SPACE);
    tick_update();
    EXPECT_EQ(intro_active, 0);
    tick_update();
    tap(KEY_RIGHT);
    float h = heading;
    ticks(2);
    EXPECT_NEAR(heading, h + 0.1, EPS) << "one turn for one tap";

    mouse_callback(MOUSE_FLAG_RIGHT_DOWN);
    mouse_callback(MOUSE_FLAG_RIGHT_UP);
    EXPECT_TRUE(mouse_button_down());
    EXPECT_FALSE(mouse_button_down());
}

// The page's controls drive the game as keys do, without posing as any: a tap on the title
// card starts play, a hold that came and went between two ticks turns once, and one held as
// the options screen closes does nothing until it is let go.
TEST_F(PlayTest, PageControlsStartTurnAndAreSpentWhenTheOptionsScreenCloses) {
    make_page_request(PAGE_START);
    tick_update();
    ASSERT_EQ(intro_active, 0);
    float h = heading;
    hold_page_action(ACTION_RIGHT, true);
    hold_page_action(ACTION_RIGHT, false);
    ticks(2);
    EXPECT_NEAR(heading, h + 0.1, EPS) << "one turn for one brief hold";
    hold_page_action(ACTION_FORWARD, true);
    forget_all_presses();
    float x = eye_x, z = eye_z;
    ticks(3);
    EXPECT_EQ(eye_x, x) << "held as the screen closed";
    EXPECT_EQ(eye_z, z);
    hold_page_action(ACTION_FORWARD, false);
    hold_page_action(ACTION_FORWARD, true);
    tick_update();
    EXPECT_NE(eye_x, x) << "held anew, it walks";
    hold_page_action(ACTION_FORWARD, false);
}

// The Enter of Alt+Enter switches the display and aims at nothing: not its repeats, nor its
// hold once Alt is let go first, nor a repeat latched just before both are let go together.
TEST_F(PlayTest, AltEnterAimsAtNothingWhicheverKeyIsLetGoFirst) {
    install_input_latches();
    for (bool alt_first : {false, true}) {
        key[KEY_ALT] = 1;
        key[KEY_ENTER] = 1;
        keyboard_lowlevel_callback(KEY_ENTER);
        EXPECT_TRUE(display_switch_pressed());
        EXPECT_FALSE(action_held(ACTION_AIM)) << "Alt still down";
        keyboard_lowlevel_callback(KEY_ENTER); // key repeat, unread yet
        key[KEY_ALT] = 0;
        if (!alt_first)
            let_go(KEY_ENTER);
        EXPECT_FALSE(action_held(ACTION_AIM)) << alt_first;
        let_go(KEY_ENTER);
    }
    tap(KEY_ENTER);
    EXPECT_TRUE(action_held(ACTION_AIM)) << "Enter alone aims";
    EXPECT_FALSE(display_switch_pressed());
}

TEST_F(PlayTest, FirstPlayTickClampsTheOrbitsPlaceIntoTheFence) {
    key[KEY_SPACE] = 1;
    tick_update(); // orbit angle 0.02: the eye stands at x = 199.98
    EXPECT_GT(eye_x, 195);
    tick_update();
    EXPECT_EQ(eye_x, 195);
    EXPECT_NEAR(eye_z, 100 + 100 * std::sin(0.02), EPS);
    EXPECT_NEAR(eye_y, std::sin(0.1) + 10, EPS) << "the height was taken at x = 199.98";
}

TEST_F(PlayTest, TurningComesBeforeTheStepAndOppositeKeysCancel) {
    play_from(100, 100, 0);
    key[KEY_RIGHT] = key[KEY_UP] = 1;
    tick_update();
    EXPECT_NEAR(heading, 0.1, EPS);
    EXPECT_NEAR(eye_x, 100 + std::cos(0.1), EPS);
    EXPECT_NEAR(eye_z, 100 + std::sin(0.1), EPS);

    key[KEY_LEFT] = 1;
    ticks(5);
    EXPECT_NEAR(heading, 0.1, EPS);

    key[KEY_LEFT] = key[KEY_RIGHT] = 0;
    key[KEY_DOWN] = 1; // with Up still down
    float x = eye_x, z = eye_z, phase = bob_phase;
    tick_update();
    EXPECT_NEAR(eye_x, x, EPS);
    EXPECT_NEAR(eye_z, z, EPS);
    EXPECT_EQ(walk_state, WALK_WALKING);
    EXPECT_NEAR(bob_phase, phase + 0.2, EPS);
}

TEST_F(PlayTest, BobBreathesStandingAndStridesWalkingWithoutLosingItsPhase) {
    play_from(100, 100, 0);
    ticks(3);
    EXPECT_EQ(walk_state, WALK_STANDING);
    EXPECT_NEAR(bob_phase, 0.3, EPS);
    EXPECT_NEAR(eye_y, 100 + std::sin(0.3) + 10, EPS);

    key[KEY_DOWN] = 1;
    ticks(2);
    EXPECT_NEAR(bob_phase, 0.7, EPS);
    EXPECT_NEAR(eye_y, 100 * mound_profile(eye_x, eye_z) + std::sin(0.7) * 10 / 3 + 10, EPS);

    float low = 1e9, high = -1e9;
    for (int t = 0; t < 200; t++) { // walking back and forth across the flat corner
        key[KEY_DOWN] = (t / 20) % 2;
        key[KEY_UP] = !key[KEY_DOWN];
        eye_x = eye_z = 10;
        tick_update();
        low = std::min(low, eye_y - 100 * mound_profile(eye_x, eye_z));
        high = std::max(high, eye_y - 100 * mound_profile(eye_x, eye_z));
    }
    EXPECT_NEAR(low, 10 - 10.0 / 3, 0.05);
    EXPECT_NEAR(high, 10 + 10.0 / 3, 0.05);
}

// With the bob off the eye stays 10 over the ground, walking or standing; the walk is the same.
TEST_F(PlayTest, BobOffKeepsTheEyeLevelAndTheWalkUnchanged) {
    settings.bob = false;
    play_from(60, 60, 0.3f);
    for (int t = 0; t < 40; t++) {
        key[KEY_UP] = t >= 10;
        tick_update();
        EXPECT_FLOAT_EQ(eye_y, float(100 * mound_profile(eye_x, eye_z) + 10)) << t;
    }
    EXPECT_NEAR(eye_x, 60 + 30 * std::cos(0.3), EPS);
}

// Toggled, one tap of look down tilts the view all the way and it stays there until the next
// tap; the Space that starts play toggles nothing.
TEST_F(PlayTest, LookToggleTapsDownAndUpAndStartingPlayIsNoTap) {
    settings.look_toggle = true;
    install_input_latches();
    tap(KEY_SPACE);
    tick_update();
    ASSERT_EQ(intro_active, 0);
    ticks(10);
    EXPECT_LT(pitch, 0.01) << "came up from the orbit's tilt, and stayed level";
    tap(KEY_SPACE);
    ticks(12);
    EXPECT_NEAR(pitch, QUARTER_PI, 0.11) << "down to 45 degrees without the key held";
    float down = pitch;
    ticks(5);
    EXPECT_FLOAT_EQ(pitch, down);
    tap(KEY_SPACE);
    ticks(6);
    EXPECT_LE(pitch, 0.0f);
}

// The speed settings scale the turn of the keys and the cross's movement by keys and stick.
TEST_F(PlayTest, SpeedsScaleTurningAndTheCrossByKeysAndStick) {
    play_from(100, 100, 0);
    settings.turn = 50;
    key[KEY_RIGHT] = 1;
    ticks(4);
    EXPECT_NEAR(heading, 0.2, EPS);
    key[KEY_RIGHT] = 0;
    for (int cross : {100, 200}) {
        settings.cross = cross;
        steer_cross(-1000, -1000); // the top left corner
        key[KEY_L] = key[KEY_K] = 1;
        ticks(3);
        EXPECT_NEAR(cross_x(), 3 * 640 / 60.0f * cross / 100, 0.01) << cross;
        EXPECT_NEAR(cross_y(), 3 * 480 / 60.0f * cross / 100, 0.01) << cross;
        key[KEY_L] = key[KEY_K] = 0;
        pad_set_axis(0, PAD_RIGHT_X, 32767);
        tick_update();
        EXPECT_NEAR(cross_x(), (3 * 640 / 60.0f + 640 / 30.0f) * cross / 100, 0.01) << cross;
        pad_reset(0);
    }
}

// When the mouse steers, the right button walks and the cross by either edge turns; when it
// only aims, neither does.
TEST_F(PlayTest, TheSteeringMouseWalksByItsRightButtonAndTurnsByTheEdges) {
    for (bool steer : {false, true}) {
        settings.mouse_steer = steer;
        play_from(100, 100, 0);
        mouse_b = 2;
        steer_cross(-1000, 0); // by the left edge
        tick_update();
        EXPECT_NEAR(eye_x, steer ? 100 + std::cos(0.1) : 100, EPS) << "turned, then walked";
        EXPECT_NEAR(heading, steer ? -0.1 : 0, EPS) << steer;
        mouse_b = 0;
        steer_cross(2000, 0); // by the right edge
        tick_update();
        EXPECT_NEAR(heading, 0, EPS) << steer;
        steer_cross(-320, 0); // the middle
        tick_update();
        EXPECT_NEAR(heading, 0, EPS) << steer;
    }
}

TEST_F(PlayTest, WalkingIntoTheFenceHoldsTheClampLine) {
    play_from(190, 100, 0);
    key[KEY_UP] = 1;
    for (int t = 1; t <= 20; t++) {
        tick_update();
        ASSERT_EQ(eye_x, t < 5 ? 190 + t : 195) << "tick " << t;
        ASSERT_NEAR(bob_phase, 0.2 * t, EPS);
    }
    play_from(100, 7, -M_PI / 2); // facing -z
    ticks(10);
    EXPECT_EQ(eye_z, 5);
    EXPECT_NEAR(eye_x, 100, EPS);
}

TEST_F(PlayTest, EyeHeightIsTheBobAloneAtAndOutsideTheFieldsEdge) {
    struct {
        float x, z;
        bool on_field;
    } places[] = {{100, 100, true}, {60, 150, true},   {0, 100, false}, {200, 100, false},
                  {-3, 100, false}, {100, 210, false}, {203, -2, false}};
    for (auto p : places) {
        play_from(p.x, p.z, 0);
        bob_phase = 0;
        tick_update();
        double bob = std::sin(0.1) + 10;
        double ground = p.on_field ? 100 * mound_profile(p.x, p.z) : 0;
        EXPECT_NEAR(eye_y, ground + bob, EPS) << "at " << p.x << ", " << p.z;
        EXPECT_TRUE(eye_x >= 5 && eye_x <= 195 && eye_z >= 5 && eye_z <= 195);
    }
}

TEST_F(PlayTest, SpaceTiltsDownInUnclippedStepsAndLettingGoOvershootsLevel) {
    play_from(100, 100, 0);
    key[KEY_SPACE] = 1;
    ticks(7);
    EXPECT_NEAR(pitch, 0.7, EPS);
    ticks(3);
    EXPECT_NEAR(pitch, 0.8, EPS) << "one step past pi/4, then no more";

    pitch = QUARTER_PI;
    key[KEY_SPACE] = 0;
    ticks(4);
    EXPECT_NEAR(pitch, -0.0146, EPS);
    ticks(5);
    EXPECT_NEAR(pitch, -0.0146, EPS);
}

TEST_F(PlayTest, ThrowThroughTheCentreFliesTenUnitsAlongTheView) {
    Vec3 eye = {50, 20, 60};
    for (double h : {0.0, 1.0, M_PI, -2.5})
        for (double p : {0.0, M_PI / 4}) {
            Matrix c = camera(eye, h, p);
            throw_shot(320, 240, c.m);
            Vec3 ahead = {float(std::cos(p) * std::cos(h)), float(-std::sin(p)),
                          float(std::cos(p) * std::sin(h))};
            EXPECT_NEAR(shot_vel.x, 10 * ahead.x, EPS) << "heading " << h << " pitch " << p;
            EXPECT_NEAR(shot_vel.y, 10 * ahead.y, EPS) << "heading " << h << " pitch " << p;
            EXPECT_NEAR(shot_vel.z, 10 * ahead.z, EPS) << "heading " << h << " pitch " << p;
            EXPECT_NEAR(shot_pos.x, eye.x + shot_vel.x, EPS);
            EXPECT_NEAR(shot_pos.y, eye.y + shot_vel.y, EPS);
            EXPECT_NEAR(shot_pos.z, eye.z + shot_vel.z, EPS);
        }
}

TEST_F(PlayTest, CornerThrowsFlyFasterTowardTheirCorner) {
    Matrix c = camera({50, 20, 60}, -M_PI / 2, 0); // looking along -z: x right, y up
    throw_shot(0, 0, c.m);
    EXPECT_NEAR(shot_vel.x, -13.333, EPS);
    EXPECT_NEAR(shot_vel.y, 10, EPS);
    EXPECT_NEAR(shot_vel.z, -10, EPS);
    EXPECT_NEAR(length(shot_vel), 19.44, 0.01); // against 10 through the centre

    throw_shot(639, 479, c.m);
    EXPECT_GT(shot_vel.x, 13.2);
    EXPECT_LT(shot_vel.y, -9.9);
    EXPECT_NEAR(shot_pos.x, 50 + shot_vel.x, EPS);
}

TEST_F(PlayTest, HitNeedsTheShotStrictlyInsideTenUnits) {
    play_from(20, 20, 0);
    shot_pos = {110, 50, 100}; // exactly 10 from the midpoint
    tick_update();
    EXPECT_EQ(win_phase, WIN_PLAYING);
    shot_pos = {std::nextafter(110.0f, 0.0f), 50, 100};
    tick_update();
    EXPECT_EQ(win_phase, WIN_RECOLOURING);
}

TEST_F(PlayTest, FlightIsStraightAndOnlyItsTickEndsAreTested) {
    play_from(20, 20, 0);
    shot_pos = {100 - 12.5f - 25, 50, 100}; // straight through the midpoint, 25 a tick
    shot_vel = {25, 0, 0};
    ticks(3);
    EXPECT_EQ(win_phase, WIN_PLAYING) << "it passed 12.5 short and 12.5 beyond";
    EXPECT_EQ(shot_pos.x, 100 + 12.5f + 25);

    shot_pos = {100 - 12.5f - 10, 50, 100};
    shot_vel = {10, 0, 0};
    ticks(2);
    EXPECT_EQ(win_phase, WIN_RECOLOURING);
}

TEST_F(PlayTest, ATargetByTheCornerIsWonOnTheFirstPlayTick) {
    target_a = {2, 5, 3};
    target_b = {8, 1, 5};
    key[KEY_SPACE] = 1;
    tick_update();
    EXPECT_EQ(win_phase, WIN_PLAYING) << "attract ticks run no hit test";
    tick_update();
    EXPECT_EQ(win_phase, WIN_RECOLOURING);
}

// Colours of a known world, and what a won stage makes of each.
class RecolourTest : public PlayTest {
  protected:
    float before[STRAND_VERTICES][3];

    void SetUp() override {
        PlayTest::SetUp();
        std::srand(7);
        for (auto &c : strand_colours)
            for (float &channel : c)
                channel = float(std::rand() % 1000) / 1000;
        std::memcpy(before, strand_colours, sizeof before);
    }

    void expect_all_turned_once() {
        for (int i = 0; i < STRAND_VERTICES; i++) {
            ASSERT_EQ(strand_colours[i][0], before[i][2]) << "colour " << i;
            ASSERT_EQ(strand_colours[i][1], before[i][0]) << "colour " << i;
            ASSERT_EQ(strand_colours[i][2], before[i][1] * 0.5f) << "colour " << i;
        }
    }
};

TEST_F(RecolourTest, AllColoursTurnOnceInExactlyAThousandFrames) {
    recolour_step();
    EXPECT_EQ(std::memcmp(before, strand_colours, sizeof before), 0) << "no hit, no change";

    win_phase = WIN_RECOLOURING;
    int frames = 0;
    while (win_phase == WIN_RECOLOURING && frames < 2000) {
        recolour_step();
        frames++;
        ASSERT_EQ(recolour_cursor, std::min(100 * frames, STRAND_VERTICES));
    }
    EXPECT_EQ(frames, 1000);
    EXPECT_EQ(win_phase, WIN_FINISHED);
    expect_all_turned_once();
    recolour_step();
    expect_all_turned_once();
}

TEST_F(RecolourTest, ALaterHitFinishesAgainWithoutTouchingAColour) {
    win_phase = WIN_RECOLOURING;
    for (int frame = 0; frame < 1000; frame++)
        recolour_step();
    play_from(20, 20, 0);
    shot_pos = {100, 50, 100};
    tick_update();
    EXPECT_EQ(win_phase, WIN_RECOLOURING);
    recolour_step();
    EXPECT_EQ(win_phase, WIN_FINISHED);
    EXPECT_EQ(recolour_cursor, STRAND_VERTICES);
    expect_all_turned_once();
}

// The real tracks through SDL's disk driver, written nowhere.
class MusicStagesTest : public PlayTest {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        music_init(44100, 32);
    }

    void SetUp() override {
        PlayTest::SetUp();
        std::string data = HAYSTACK_DATA_DIR;
        theme_stream = music_open((data + "/theme.mp3").c_str());
        intro_stream = music_open((data + "/intro.mp3").c_str());
        outro_stream = music_open((data + "/outro.mp3").c_str());
        ASSERT_TRUE(theme_stream && intro_stream && outro_stream);
        music_play(intro_stream);
    }
};

TEST_F(MusicStagesTest, IntroThenThemeOnSpaceThenOutroOnEveryHit) {
    ticks(5);
    EXPECT_EQ(music_sounding(), intro_stream);
    key[KEY_SPACE] = 1;
    tick_update();
    EXPECT_EQ(music_sounding(), theme_stream);
    ticks(3);
    EXPECT_EQ(music_sounding(), theme_stream);

    shot_pos = {100, 45, 100}; // held in the target, as a held button near it would
    for (int t = 0; t < 5; t++) {
        win_phase = WIN_FINISHED;
        tick_update();
        EXPECT_EQ(win_phase, WIN_RECOLOURING);
        EXPECT_EQ(music_sounding(), outro_stream);
    }
}

} // namespace
