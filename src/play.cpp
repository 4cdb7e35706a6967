// The game's logic: the attract orbit, walking, the shot and the win.
#include "play.h"

#include <cmath>

#include "aim.h"
#include "camera.h"
#include "controls.h"
#include "framing.h"
#include "game_state.h"
#include "input.h"
#include "music.h"
#include "rounds.h"
#include "settings.h"

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
const float KEY_CROSS_TICKS = 60.0f; // ticks the cross takes to cross the picture by keys at
                                     // the usual speed: two seconds
const int GLINT_PERIOD = 60;         // ticks from one glint of the needle to the next: 2 s
const int GLINT_TICKS = 4;           // ticks each glint lasts
const float STEER_EDGE = PICTURE_WIDTH / 8.0f; // game pixels from the picture's left or right
                                               // edge where the cross turns the view, when the
                                               // mouse steers
const int LEFT_BUTTON = 1;                     // mouse_b's bit of the left button
const int RIGHT_BUTTON = 2;                    // mouse_b's bit of the right button

static bool looking_down; // look down toggled on, when it is a toggle
static int glint_clock;   // ticks of play, for the needle's glint

// Flies the camera round the field, looking 45 degrees down at its centre; Space (or a
// gamepad's Start) hands the camera to the player and the theme takes over from the intro.
// Play that begins starts afresh: looking level and the glint's clock at 0, in a new field too.
static void orbit_and_wait_for_space() {
    looking_down = false;
    glint_clock = 0;
    orbit_angle += ORBIT_STEP;
    eye_x = ORBIT_RADIUS * std::cos(double(orbit_angle)) + FIELD_CENTRE;
    eye_z = ORBIT_RADIUS * std::sin(double(orbit_angle)) + FIELD_CENTRE;
    eye_y = ORBIT_HEIGHT;
    pitch = QUARTER_PI;
    heading = orbit_angle + M_PI;
    if (start_asked()) {
        music_stop(intro_stream);
        music_play(theme_stream);
        intro_active = 0;
        action_pressed(ACTION_LOOK); // the press that starts play toggles no look
    }
}

// Left and Right together cancel; the turning speed setting scales the step. When the mouse
// steers, the cross by the picture's left or right edge turns that way too.
static void turn() {
    double step = TURN_STEP * (settings.turn / 100.0);
    bool left = action_held(ACTION_LEFT);
    bool right = action_held(ACTION_RIGHT);
    if (settings.mouse_steer) {
        left = left || cross_x() < STEER_EDGE;
        right = right || cross_x() > PICTURE_WIDTH - STEER_EDGE;
    }
    if (left)
        heading -= step;
    if (right)
        heading += step;
}

// Walking forward, by its keys, or by the right mouse button when the mouse steers.
static bool walking_forward() {
    bool keyed = action_held(ACTION_FORWARD);
    return keyed || (settings.mouse_steer && mouse_buttons_down(RIGHT_BUTTON));
}

// One unit along the heading, forward or back; Up and Down together cancel but still walk.
static void walk() {
    walk_state = WALK_STANDING;
    if (walking_forward()) {
        eye_x += std::cos(double(heading));
        eye_z += std::sin(double(heading));
        walk_state = WALK_WALKING;
    }
    if (action_held(ACTION_BACK)) {
        eye_x -= std::cos(double(heading));
        eye_z -= std::sin(double(heading));
        walk_state = WALK_WALKING;
    }
}

// The eye's offset over the ground: a slow breath when standing, a quicker stride walking; with
// the bob off, always the bob's middle.
static double bob() {
    if (!settings.bob)
        return EYE_LIFT;
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

// Look down held (or toggled on) tilts the view down toward 45 degrees; let go (or toggled
// off), it comes back level. The steps are not clipped, so the tilt may end a little past
// either bound.
static void look_down() {
    if (settings.look_toggle && action_pressed(ACTION_LOOK))
        looking_down = !looking_down;
    bool held = action_held(ACTION_LOOK);
    bool down = settings.look_toggle ? looking_down : held;
    if (down && pitch < LOOK_DOWN_LIMIT)
        pitch += LOOK_DOWN_STEP;
    if (!down && pitch > 0)
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
    float speed = settings.cross / 100.0f;
    if (dx != 0 || dy != 0)
        steer_cross(dx * speed, dy * speed);
}

// The cross keys move the cross, at a speed the cross speed setting scales.
static void steer_cross_by_keys() {
    float step = settings.cross / 100.0f / KEY_CROSS_TICKS;
    float dx = (action_held(ACTION_CROSS_RIGHT) - action_held(ACTION_CROSS_LEFT)) * step;
    float dy = (action_held(ACTION_CROSS_DOWN) - action_held(ACTION_CROSS_UP)) * step;
    if (dx != 0 || dy != 0)
        steer_cross(dx * PICTURE_WIDTH, dy * PICTURE_HEIGHT);
}

bool needle_glinting() {
    return settings.glint && glint_clock % GLINT_PERIOD < GLINT_TICKS;
}

void tick_update() {
    bool new_field = action_pressed(ACTION_NEW_FIELD); // read always: a press before the win
    if (new_field && win_phase != WIN_PLAYING)         // is spent, and does nothing
        start_new_field();
    steer_cross_by_stick();
    steer_cross_by_keys();
    if (intro_active) {
        orbit_and_wait_for_space();
        return;
    }
    glint_clock++;
    turn();
    walk();
    set_eye_height(bob());
    look_down();
    keep_inside_fence();
    if (win_phase == WIN_PLAYING)
        count_search_tick();
    move_shot_and_check_hit();
}

// Whether the player aims now: the aim key or a pad's A held, or the mouse's button; when the
// mouse steers, its left button alone, the right one walking.
static bool aiming() {
    bool clicked = settings.mouse_steer ? mouse_buttons_down(LEFT_BUTTON) : mouse_button_down();
    return action_held(ACTION_AIM) || clicked;
}

void throw_if_asked() {
    if (!aiming())
        return;
    float camera[16];
    camera_matrix(camera);
    throw_shot(cross_x(), cross_y(), camera);
}

void throw_shot(float cursor_x, float cursor_y, const float camera[16]) {
    const float *m = camera;
    // The ray from the eye through the cursor, backwards, in the camera's axes.
    double spread = SHOT_REACH * std::tan(double(QUARTER_PI));
    double ux = spread * (1 - cursor_x / HALF_PICTURE_WIDTH) * THROW_ASPECT;
    double uy = -spread * (1 - cursor_y / HALF_PICTURE_HEIGHT);
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
        if (win_phase == WIN_PLAYING)
            finish_search();
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
