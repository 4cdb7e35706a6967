// Writes a search that finds the needle as a replay file, played through this platform's
// simulation as the game records one: a wander of walking, turning, looking down and breathing,
// then the cross on the needle and a throw. Replays made on one platform are then verified on
// another.
//   record_search FILE (--field N | --clock SEED)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "camera.h"
#include "replay.h"
#include "rounds.h"

const int WANDER_TICKS = 1500;     // ticks of wandering before the needle is looked for: 50 s
const int MOST_LOOKING = 600;      // ticks of turning and walking toward the needle, at most
const double FACING_SLACK = 0.15;  // radians off the needle's bearing that count as facing it
const double NEAR_ENOUGH = 40;     // world units from the needle where the walk stops
const int MOST_FLIGHT = 300;       // ticks the shot may fly
const uint32_t STEP = 1103515245u; // the wander's own numbers: a linear congruence mod 2^32
const double FLIGHT_SPREAD = 10 * 1.0000000437; // the throw's spread at the picture's edge
const double ASPECT = 1.3333;                   // and its widening across

static uint32_t wander_state = 12345; // the wander's numbers' state

static unsigned next_number() {
    wander_state = wander_state * STEP + 12345u;
    return wander_state >> 16;
}

// The cross on `point` through the camera now; false when it is not in the picture.
static bool cross_on(Vec3 point, float *cx, float *cy) {
    float m[16];
    camera_matrix(m);
    float v[3];
    for (int i = 0; i < 3; i++)
        v[i] = m[i] * point.x + m[4 + i] * point.y + m[8 + i] * point.z + m[12 + i];
    if (v[2] > -1)
        return false;
    double reach = 10 / -double(v[2]);
    *cx = float(320 * (1 + reach * v[0] / (FLIGHT_SPREAD * ASPECT)));
    *cy = float(240 * (1 - reach * v[1] / FLIGHT_SPREAD));
    return *cx > 20 && *cx < 620 && *cy > 20 && *cy < 460;
}

// Runs `tick` and keeps it, with the checkpoint it completes; the events.
static unsigned play(Replay *r, const TickInput &input) {
    r->ticks.push_back({input, false, {}});
    unsigned events = sim_tick(input);
    if (r->ticks.size() % CHECKPOINT_TICKS == 0)
        r->checkpoints.push_back(sim_digest());
    if (events & TICK_FOUND)
        r->found_ticks = found_ticks;
    return events;
}

// The needle's midpoint.
static Vec3 needle() {
    return {(target_a.x + target_b.x) / 2, (target_a.y + target_b.y) / 2,
            (target_a.z + target_b.z) / 2};
}

// What brings the needle into the picture: looking level again, turning to face it, walking up
// to it or back from it.
static unsigned toward_needle() {
    if (pitch > 0)
        return 0;
    Vec3 to = needle();
    double facing = std::atan2(to.z - eye_z, to.x - eye_x) - heading;
    facing = std::remainder(facing, 2 * M_PI);
    if (std::fabs(facing) > FACING_SLACK)
        return facing > 0 ? PLAY_RIGHT : PLAY_LEFT;
    return std::hypot(to.x - eye_x, to.z - eye_z) > NEAR_ENOUGH ? PLAY_FORWARD : PLAY_BACK;
}

int main(int argc, char **argv) {
    if (argc != 4 || (std::strcmp(argv[2], "--field") && std::strcmp(argv[2], "--clock"))) {
        std::fprintf(stderr, "usage: record_search FILE (--field N | --clock SEED)\n");
        return 2;
    }
    Replay r{};
    std::snprintf(r.game_version, sizeof r.game_version, "%s", "record_search");
    bool numbered = !std::strcmp(argv[2], "--field");
    r.field = numbered ? std::atol(argv[3]) : 0;
    r.seed = unsigned(std::strtoul(argv[3], nullptr, 10));
    r.generator = numbered ? GENERATOR_GLIBC : C_LIBRARY_GENERATOR;
    r.settings = {0, 1, 100, 100, 0, 0};
    r.start_tick = 40;
    start_replay(r);
    float cx = 320, cy = 240;
    play(&r, {0, PLAY_START, cx, cy});
    for (int i = 0; i < WANDER_TICKS; i++) { // a few ticks at a time of each
        static unsigned held = 0;
        if (i % 7 == 0)
            held = next_number() % (PLAY_LOOK * 2);
        cx = float(next_number() % 5120) / 8;
        play(&r, {held, 0, cx, cy});
    }
    float aim_x = cx, aim_y = cy;
    for (int looked = 0;
         looked < MOST_LOOKING && !(pitch <= 0 && cross_on(needle(), &aim_x, &aim_y)); looked++)
        play(&r, {toward_needle(), 0, cx, cy});
    cx = aim_x;
    cy = aim_y;
    play(&r, {PLAY_AIM, 0, cx, cy});
    for (int i = 0; i < MOST_FLIGHT && !r.found_ticks; i++)
        play(&r, {0, 0, cx, cy});
    if (!r.found_ticks) {
        std::fprintf(stderr, "record_search: the throw missed the needle\n");
        return 1;
    }
    std::vector<unsigned char> bytes = encode_replay(r);
    std::FILE *file = std::fopen(argv[1], "wb");
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!file || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "record_search: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
