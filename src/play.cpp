// The game's logic: the attract orbit, walking, the shot and the win.
#include "play.h"

#include <allegro.h>
#include <GL/gl.h>
#include <cmath>

#include "aim.h"
#include "game_state.h"
#include "input.h"
#include "music.h"

const double ORBIT_STEP = 0.02;                  // attract orbit, radians a tick
const double ORBIT_RADIUS = 100.0;               // around the field's centre, world units
const double ORBIT_HEIGHT = 100.0;               // world units
const double FIELD_CENTRE = FIELD_SIZE / 2;      // x and z of the field's centre
const double TURN_STEP = 0.1;                    // radians a tick
const double STANDING_BOB_STEP = 0.1;            // bob phase a tick while standing, radians
const double WALKING_BOB_STEP = 0.2;             // bob phase a tick while walking, radians
const double WALKING_BOB_SWING = 10.0 / 3;       // walking bob's amplitude, world units
const double EYE_LIFT = 10.0;                    // the eye's mean height over the mound
const double LOOK_DOWN_STEP = 0.1;               // radians a tick while Space is held
const double LOOK_UP_STEP = 0.2;                 // radians a tick once Space is let go
const double LOOK_DOWN_LIMIT = M_PI / 4;         // steepest tilt asked for, radians (a double)
const float FENCE_NEAR = 5.0f;                   // the player keeps to [5, 195] in x and z,
const float FENCE_FAR = FIELD_SIZE - FENCE_NEAR; // 5 units inside the fence
const double SHOT_REACH = 10.0;                  // the throw's forward flight, world units a tick
const double THROW_ASPECT = 1.3333;              // widens the cursor ray to the 4:3 window
const float HIT_RADIUS = 10.0f;      // a shot nearer than this to the target's midpoint hits
const int RECOLOURS_PER_FRAME = 100; // strand colours turned green each frame of the won stage

// Flies the camera round the field, looking 45 degrees down at its centre; Space (or a
// gamepad's Start) hands the camera to the player and the theme takes over from the intro.
static void orbit_and_wait_for_space() {
    orbit_angle += ORBIT_STEP;
    eye_x = ORBIT_RADIUS * std::cos(double(orbit_angle)) + FIELD_CENTRE;
    eye_z = ORBIT_RADIUS * std::sin(double(orbit_angle)) + FIELD_CENTRE;
    eye_y = ORBIT_HEIGHT;
    pitch = QUARTER_PI;
    heading = orbit_angle + M_PI;
    if (key_or_pad(KEY_SPACE, PAD_START_PLAY)) {
        music_stop(intro_stream);
        music_play(theme_stream);
        intro_active = 0;
    }
}

// Left and Right together cancel.
static void turn() {
    if (key_or_pad(KEY_LEFT, PAD_TURN_LEFT))
        heading -= TURN_STEP;
    if (key_or_pad(KEY_RIGHT, PAD_TURN_RIGHT))
        heading += TURN_STEP;
}

// One unit along the heading, forward or back; Up and Down together cancel but still walk.
static void walk() {
    walk_state = WALK_STANDING;
    if (key_or_pad(KEY_UP, PAD_WALK_FORWARD)) {
        eye_x += std::cos(double(heading));
        eye_z += std::sin(double(heading));
        walk_state = WALK_WALKING;
    }
    if (key_or_pad(KEY_DOWN, PAD_WALK_BACK)) {
        eye_x -= std::cos(double(heading));
        eye_z -= std::sin(double(heading));
        walk_state = WALK_WALKING;
    }
}

// The eye's offset over the ground: a slow breath when standing, a quicker stride walking.
static double bob() {
    if (walk_state == WALK_WALKING) {
        bob_phase += WALKING_BOB_STEP;
        return std::sin(double(bob_phase)) * WALKING_BOB_SWING + EYE_LIFT;
    }
    bob_phase += STANDING_BOB_STEP;
    return std::sin(double(bob_phase)) + EYE_LIFT;
}

// The mound rises under the eye only strictly inside the field.
static void set_eye_height(double lift) {
    bool on_field = eye_x > 0 && eye_x < FIELD_SIZE && eye_z > 0 && eye_z < FIELD_SIZE;
    double ground = on_field ? MOUND_HEIGHT * mound_profile(eye_x, eye_z) : 0.0;
    eye_y = ground + lift;
}

// Space held tilts the view down toward 45 degrees; let go, it comes back level. The
// steps are not clipped, so the tilt may end a little past either bound.
static void look_down() {
    bool space = key_or_pad(KEY_SPACE, PAD_LOOK_DOWN);
    if (space && pitch < LOOK_DOWN_LIMIT)
        pitch += LOOK_DOWN_STEP;
    if (!space && pitch > 0)
        pitch -= LOOK_UP_STEP;
}

static void keep_inside_fence() {
    if (eye_x > FENCE_FAR)
        eye_x = FENCE_FAR;
    if (eye_z > FENCE_FAR)
        eye_z = FENCE_FAR;
    if (eye_x < FENCE_NEAR)
        eye_x = FENCE_NEAR;
    if (eye_z < FENCE_NEAR)
        eye_z = FENCE_NEAR;
}

// The right stick moves the aiming cross, on the title card too.
static void steer_cross_by_stick() {
    float dx, dy;
    pad_cross_step(&dx, &dy);
    if (dx != 0 || dy != 0)
        steer_cross(dx, dy);
}

void tick_update() {
    steer_cross_by_stick();
    if (intro_active) {
        orbit_and_wait_for_space();
        return;
    }
    turn();
    walk();
    set_eye_height(bob());
    look_down();
    keep_inside_fence();
    move_shot_and_check_hit();
}

void throw_shot(float cursor_x, float cursor_y) {
    float camera[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, camera);
    throw_shot_with_camera(cursor_x, cursor_y, camera);
}

void throw_shot_with_camera(float cursor_x, float cursor_y, const float camera[16]) {
    const float *m = camera;
    // The ray from the eye through the cursor, backwards, in the camera's axes.
    double spread = SHOT_REACH * std::tan(double(QUARTER_PI));
    double ux = spread * (1 - cursor_x / HALF_WINDOW_WIDTH) * THROW_ASPECT;
    double uy = -spread * (1 - cursor_y / HALF_WINDOW_HEIGHT);
    double uz = SHOT_REACH;
    // Turned into the world's axes, forwards.
    shot_vel.x = -(m[0] * ux + m[1] * uy + m[2] * uz);
    shot_vel.y = -(m[4] * ux + m[5] * uy + m[6] * uz);
    shot_vel.z = -(m[8] * ux + m[9] * uy + m[10] * uz);
    // The eye's place in the world, and the shot one tick's flight ahead of it.
    Vec3 eye = {-(m[0] * m[12] + m[1] * m[13] + m[2] * m[14]),
                -(m[4] * m[12] + m[5] * m[13] + m[6] * m[14]),
                -(m[8] * m[12] + m[9] * m[13] + m[10] * m[14])};
    shot_pos = {eye.x + shot_vel.x, eye.y + shot_vel.y, eye.z + shot_vel.z};
}

void move_shot_and_check_hit() {
    shot_pos = {shot_pos.x + shot_vel.x, shot_pos.y + shot_vel.y, shot_pos.z + shot_vel.z};
    Vec3 mid = {(target_a.x + target_b.x) / 2, (target_a.y + target_b.y) / 2,
                (target_a.z + target_b.z) / 2};
    float dx = shot_pos.x - mid.x, dy = shot_pos.y - mid.y, dz = shot_pos.z - mid.z;
    float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance < HIT_RADIUS) {
        win_phase = WIN_RECOLOURING;
        music_stop(theme_stream);
        music_play(outro_stream);
    }
}

// (r, g, b) becomes (b, r, g/2): the yellows and browns come out green.
static void turn_green(float colour[3]) {
    float r = colour[0], g = colour[1], b = colour[2];
    colour[0] = b;
    colour[1] = r;
    colour[2] = g * 0.5f;
}

void recolour_step() {
    if (win_phase != WIN_RECOLOURING)
        return;
    int i = recolour_cursor;
    for (int n = 0; n < RECOLOURS_PER_FRAME && i < STRAND_VERTICES; n++)
        turn_green(strand_colours[i++]);
    if (i >= STRAND_VERTICES)
        win_phase = WIN_FINISHED;
    recolour_cursor = i;
}
