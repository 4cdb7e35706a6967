// The picture's place in windows of any size, the pointer mapped into it and the aim that
// follows.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "framing.h"
#include "game_state.h"
#include "play.h"

namespace {

TEST(Framing, LargestCentredPictureAndScaleThatFit) {
    struct Case {
        int w, h, left, top, width, height, scale;
    } cases[] = {{640, 480, 0, 0, 640, 480, 1},
                 {1920, 1050, 260, 0, 1400, 1050, 2},
                 {3840, 2160, 480, 0, 2880, 2160, 4},
                 {1080, 1920, 0, 555, 1080, 810, 1},
                 {1001, 500, 167, 0, 666, 500, 1}};
    for (const Case &c : cases) {
        Framing f = frame_picture(c.w, c.h);
        EXPECT_EQ((std::array{f.left, f.top, f.width, f.height, f.bottom}),
                  (std::array{c.left, c.top, c.width, c.height, c.h - c.top - c.height}))
            << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(f.scale, c.width / 640.0f);
        EXPECT_EQ(largest_fitting_scale(c.w, c.h), c.scale) << c.w << "x" << c.h;
    }
}

// The shot thrown from a pointer, projected back through the frame's projection (the frustum
// of render.cpp) and viewport, lands on the pointer, fractions of a window pixel included; a
// pointer over a bar aims at the picture's nearest edge.
TEST(Aim, ShotLandsWhereThePointerIsInAnyWindow) {
    const float camera[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (auto [w, h] : {std::pair{1920, 1080}, {1280, 960}, {2560, 1440}}) {
        Framing f = frame_picture(w, h);
        double worst = 0;
        for (float px = f.left + 0.3f; px < f.left + f.width; px += 37.1f)
            for (float py = f.top + 0.7f; py < f.top + f.height; py += 29.3f) {
                float gx, gy;
                pointer_in_picture(f, px, py, &gx, &gy);
                throw_shot(gx, gy, camera);
                double sx = f.left + (shot_vel.x / -shot_vel.z / (4.0 / 3.0) + 1) / 2 * f.width;
                double sy = f.top + (1 - shot_vel.y / -shot_vel.z) / 2 * f.height;
                worst = std::max(worst, std::hypot(sx - px, sy - py));
            }
        RecordProperty("worst_aim_error_px_" + std::to_string(w), std::to_string(worst));
        EXPECT_LT(worst, 0.05) << w << "x" << h;
    }
    Framing wide = frame_picture(1920, 1080);
    float gx, gy; // over the bars, the picture's nearest edge
    pointer_in_picture(wide, 3, -5, &gx, &gy);
    EXPECT_EQ((std::array{gx, gy}), (std::array{0.0f, 0.0f}));
    pointer_in_picture(wide, 1900, 2000, &gx, &gy);
    EXPECT_EQ((std::array{gx, gy}), (std::array{1439 * 640.0f / 1440, 1079 * 480.0f / 1080}));
}

} // namespace
