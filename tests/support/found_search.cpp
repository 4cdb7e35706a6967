// Genuine searches that find the needle, made by playing them through the simulation.
#include "found_search.h"

#include <cstring>

#include "camera.h"

const int STARTS_TRIED = 400;   // orbit ticks over which starts are tried: over a whole turn
const int START_STRIDE = 5;     // orbit ticks from one start tried to the next
const int MOST_FLIGHT = 300;    // ticks the shot may fly before the start is given up
const double SHOT_REACH = 10.0; // the throw's flight forward, world units a tick, as the sim's
const double EDGE_SPREAD = 1.0000000437; // the throw's spread at the picture's edge, over its
                                         // reach, as the sim's (the tangent of its pi/4)
const double THROW_ASPECT = 1.3333;      // the throw's widening to the 4:3 picture, as the sim's

bool cross_on(Vec3 point, float *cx, float *cy) {
    float m[16];
    camera_matrix(m);
    float v[3];
    for (int i = 0; i < 3; i++)
        v[i] = m[i] * point.x + m[4 + i] * point.y + m[8 + i] * point.z + m[12 + i];
    if (v[2] > -1)
        return false;
    double reach = SHOT_REACH / -double(v[2]);
    *cx = float(320 * (1 + reach * v[0] / (SHOT_REACH * EDGE_SPREAD * THROW_ASPECT)));
    *cy = float(240 * (1 - reach * v[1] / (SHOT_REACH * EDGE_SPREAD)));
    return *cx > 0 && *cx < 640 && *cy > 0 && *cy < 480;
}

void record_checkpoints(Replay *replay) {
    start_replay(*replay);
    replay->checkpoints.clear();
    for (size_t i = 0; i < replay->ticks.size(); i++) {
        const ReplayTick &tick = replay->ticks[i];
        if (tick.settings_changed)
            play_settings = tick.settings;
        unsigned events = sim_tick(tick.input);
        if ((i + 1) % CHECKPOINT_TICKS == 0)
            replay->checkpoints.push_back(sim_digest());
        if (events & TICK_FOUND) {
            replay->found_ticks = found_ticks;
            replay->ticks.resize(i + 1);
            return;
        }
    }
}

Replay found_search(Replay search, const std::vector<ReplayTick> &moves) {
    Replay &r = search;
    r.found_ticks = 0;
    int first = r.start_tick > 0 ? r.start_tick : 1;
    for (r.start_tick = first; r.start_tick < first + STARTS_TRIED; r.start_tick += START_STRIDE) {
        r.ticks.assign(1, {{0, PLAY_START, 320, 240}, false, {}});
        r.ticks.insert(r.ticks.end(), moves.begin(), moves.end());
        start_replay(r);
        for (const ReplayTick &tick : r.ticks) {
            if (tick.settings_changed)
                play_settings = tick.settings;
            sim_tick(tick.input);
        }
        Vec3 mid = {(target_a.x + target_b.x) / 2, (target_a.y + target_b.y) / 2,
                    (target_a.z + target_b.z) / 2};
        float cx, cy;
        if (!cross_on(mid, &cx, &cy))
            continue;
        r.ticks.back().input = {PLAY_AIM, 0, cx, cy};
        r.ticks.resize(r.ticks.size() + MOST_FLIGHT, {{0, 0, cx, cy}, false, {}});
        record_checkpoints(&r);
        if (r.found_ticks)
            return r;
    }
    return r;
}

Replay found_search_of_field(long field, const std::vector<ReplayTick> &moves) {
    Replay r{};
    std::strcpy(r.game_version, "test");
    r.field = field;
    r.seed = unsigned(field);
    r.generator = GENERATOR_GLIBC;
    r.settings = {0, 1, 100, 100, 0, 0};
    return found_search(r, moves);
}
