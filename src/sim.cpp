// The simulation of play, a tick at a time, from the tick's input alone.
#include "sim.h"

#include <cmath>
#include <cstring>

#include "camera.h"
#include "trig.h"

const double ORBIT_STEP = 0.02;                  // attract orbit, radians a tick
const double ORBIT_RADIUS = 100.0;               // around the field's centre, world units
const double ORBIT_HEIGHT = 100.0;               // world units
const double FIELD_CENTRE = FIELD_SIZE / 2;      // x and z of the field's centre
const double TURN_STEP = 0.1;                    // radians a tick
const double STANDING_BOB_STEP = 0.1;            // bob phase a tick while standing, radians
const double WALKING_BOB_STEP = 0.2;             // bob phase a tick while walking, radians
const double WALKING_BOB_SWING = 10.0 / 3;       // walking bob's amplitude, world units
const double EYE_LIFT = 10.0;                    // the eye's mean height over the mound
const double LOOK_DOWN_STEP = 0.1;               // radians a tick while look down is held
const double LOOK_UP_STEP = 0.2;                 // radians a tick once it is let go
const double LOOK_DOWN_LIMIT = M_PI / 4;         // steepest tilt asked for, radians (a double)
const float FENCE_NEAR = 5.0f;                   // the player keeps to [5, 195] in x and z,
const float FENCE_FAR = FIELD_SIZE - FENCE_NEAR; // 5 units inside the fence
const float START_X = 20.0f;                     // where the player stands when play begins,
const float START_Z = 20.0f;                     // world units
const double SHOT_REACH = 10.0;                  // the throw's forward flight, world units a tick
const double THROW_ASPECT = 1.3333;              // widens the cursor ray to the 4:3 window
const double QUARTER_TAN = 0x1.000000bbbd2ecp+0; // tan(QUARTER_PI): the float pi/4 is a hair
                                                 // past pi/4, and this its tangent, rounded
const double THROW_SPREAD = SHOT_REACH * QUARTER_TAN; // the ray's spread at the picture's edge
const float HIT_RADIUS = 10.0f;      // a shot nearer than this to the target's midpoint hits
const float PICTURE_ACROSS = 640.0f; // the picture the cross moves over, game pixels
const float PICTURE_DOWN = 480.0f;   // likewise, down
const float STEER_EDGE = PICTURE_ACROSS / 8; // game pixels from the picture's left or right
                                             // edge where the cross turns the view, when the
                                             // mouse steers
const int GLINT_PERIOD = 60;                 // ticks from one glint of the needle to the next
const int GLINT_TICKS = 4;                   // ticks each glint lasts

PlaySettings play_settings = {0, 1, 100, 100, 0, 0};

int intro_active = 1;
int win_phase = WIN_PLAYING;
int walk_state = WALK_NONE;
int orbit_ticks;
int round_ticks;
int found_ticks;

static bool looking_down; // look down toggled on, when it is a toggle
static int glint_clock;   // ticks of play, for the needle's glint

void reset_player() {
    intro_active = 1;
    win_phase = WIN_PLAYING;
    walk_state = WALK_NONE;
    eye_x = START_X;
    eye_y = 0.0f;
    eye_z = START_Z;
    heading = QUARTER_PI;
    pitch = orbit_angle = bob_phase = 0.0f;
    shot_pos = shot_vel = {0.0f, 0.0f, 0.0f};
    orbit_ticks = round_ticks = found_ticks = 0;
    looking_down = false;
    glint_clock = 0;
}

// Play that begins starts afresh: looking level, the glint's clock at 0, no shot in the air.
static void begin_play() {
    intro_active = 0;
    looking_down = false;
    glint_clock = 0;
    shot_pos = shot_vel = {0.0f, 0.0f, 0.0f};
}

// Flies the camera round the field, looking 45 degrees down at its centre, until the start.
static unsigned orbit(const TickInput &input) {
    orbit_ticks++;
    orbit_angle += ORBIT_STEP;
    eye_x = ORBIT_RADIUS * trig_cos(double(orbit_angle)) + FIELD_CENTRE;
    eye_z = ORBIT_RADIUS * trig_sin(double(orbit_angle)) + FIELD_CENTRE;
    eye_y = ORBIT_HEIGHT;
    pitch = QUARTER_PI;
    heading = orbit_angle + M_PI;
    if (!(input.pressed & PLAY_START))
        return 0;
    begin_play();
    return TICK_PLAY_BEGAN;
}

// Left and Right together cancel; the turning speed setting scales the step. When the mouse
// steers, the cross by the picture's left or right edge turns that way too.
static void turn(const TickInput &input) {
    double step = TURN_STEP * (play_settings.turn / 100.0);
    bool left = input.held & PLAY_LEFT;
    bool right = input.held & PLAY_RIGHT;
    if (play_settings.mouse_steer) {
        left = left || input.cross_x < STEER_EDGE;
        right = right || input.cross_x > PICTURE_ACROSS - STEER_EDGE;
    }
    if (left)
        heading -= step;
    if (right)
        heading += step;
}

// One unit along the heading, forward or back; forward and back together cancel but still
// walk.
static void walk(const TickInput &input) {
    walk_state = WALK_STANDING;
    if (input.held & PLAY_FORWARD) {
        eye_x += trig_cos(double(heading));
        eye_z += trig_sin(double(heading));
        walk_state = WALK_WALKING;
    }
    if (input.held & PLAY_BACK) {
        eye_x -= trig_cos(double(heading));
        eye_z -= trig_sin(double(heading));
        walk_state = WALK_WALKING;
    }
}

// The eye's offset over the ground: a slow breath when standing, a quicker stride walking; with
// the bob off, always the bob's middle.
static double bob() {
    if (!play_settings.bob)
        return EYE_LIFT;
    if (walk_state == WALK_WALKING) {
        bob_phase += WALKING_BOB_STEP;
        return trig_sin(double(bob_phase)) * WALKING_BOB_SWING + EYE_LIFT;
    }
    bob_phase += STANDING_BOB_STEP;
    return trig_sin(double(bob_phase)) + EYE_LIFT;
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
static void look_down(const TickInput &input) {
    if (play_settings.look_toggle && (input.pressed & PLAY_LOOK))
        looking_down = !looking_down;
    bool held = input.held & PLAY_LOOK;
    bool down = play_settings.look_toggle ? looking_down : held;
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

// One tick of play before the hit: the search takes that much longer.
static void count_search_tick() {
    if (win_phase == WIN_PLAYING && round_ticks < MAX_SEARCH_TICKS)
        round_ticks++;
}

// Moves the shot on by one tick's flight; a pass within the hit radius of the target's
// midpoint starts, or restarts, the won stage; the first ends the search.
static unsigned move_shot_and_check_hit() {
    shot_pos = {shot_pos.x + shot_vel.x, shot_pos.y + shot_vel.y, shot_pos.z + shot_vel.z};
    Vec3 mid = {(target_a.x + target_b.x) / 2, (target_a.y + target_b.y) / 2,
                (target_a.z + target_b.z) / 2};
    float dx = shot_pos.x - mid.x, dy = shot_pos.y - mid.y, dz = shot_pos.z - mid.z;
    float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance >= HIT_RADIUS)
        return 0;
    unsigned events = TICK_HIT;
    if (win_phase == WIN_PLAYING) {
        found_ticks = round_ticks > 1 ? round_ticks : 1;
        events |= TICK_FOUND;
    }
    win_phase = WIN_RECOLOURING;
    return events;
}

// While aiming, the shot is thrown again from the eye toward the cross, with the camera the
// game works out.
static void throw_while_aiming(const TickInput &input) {
    if (!(input.held & PLAY_AIM))
        return;
    float camera[16];
    camera_matrix(camera);
    throw_shot(input.cross_x, input.cross_y, camera);
}

unsigned sim_tick(const TickInput &input) {
    unsigned events = 0;
    if (intro_active) {
        events = orbit(input);
    } else {
        glint_clock++;
        turn(input);
        walk(input);
        set_eye_height(bob());
        look_down(input);
        keep_inside_fence();
        count_search_tick();
        events = move_shot_and_check_hit();
    }
    throw_while_aiming(input);
    return events;
}

void throw_shot(float cursor_x, float cursor_y, const float camera[16]) {
    const float *m = camera;
    // The ray from the eye through the cursor, backwards, in the camera's axes.
    double ux = THROW_SPREAD * (1 - cursor_x / (PICTURE_ACROSS / 2)) * THROW_ASPECT;
    double uy = -THROW_SPREAD * (1 - cursor_y / (PICTURE_DOWN / 2));
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

bool needle_glinting() {
    return play_settings.glint && glint_clock % GLINT_PERIOD < GLINT_TICKS;
}

// Folds the bits of `size` bytes at `data` into the 32-bit FNV-1a hash `hash`.
static unsigned fold(unsigned hash, const void *data, size_t size) {
    const unsigned PRIME = 16777619u; // FNV's 32-bit prime
    const unsigned char *byte = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ byte[i]) * PRIME;
    return hash;
}

unsigned sim_digest() {
    float state[] = {eye_x,      eye_y,      eye_z,      heading,    pitch,     shot_pos.x,
                     shot_pos.y, shot_pos.z, shot_vel.x, shot_vel.y, shot_vel.z};
    return fold(2166136261u, state, sizeof state); // from FNV's 32-bit offset basis
}
