// What the attract stage's frame shows, read from the real window's pixels: the intro picture
// over the scene, the sky, the cursor cross, and what missing pictures leave behind.
#include "harness.h"

#include <SOIL/SOIL.h>
#include <algorithm>
#include <array>
#include <functional>

const Rgb SKY = {102, 153, 204};   // the clear colour (0.4, 0.6, 0.8)
const Rgb YELLOW = {255, 255, 0};  // an untextured overlay, drawn in the cross's last colour
const Rgb WHITE = {255, 255, 255}; // untextured clouds and fence
const int WIDTH = 640, HEIGHT = 480;

static bool near(const Rgb &a, const Rgb &b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The share of the frame's pixels in the box [x0, x1) x [y0, y1) that pass `test`.
static double share(const Frame &f, int x0, int y0, int x1, int y1,
                    const std::function<bool(Rgb)> &test) {
    int hits = 0;
    for (int py = y0; py < y1; py++)
        for (int px = x0; px < x1; px++)
            hits += test(f.at(px, py));
    return double(hits) / ((x1 - x0) * (y1 - y0));
}

// A 32-bit TGA, top row first, with each pixel's r, g, b, a from `paint`.
static std::string tga(int w, int h, const std::function<std::array<int, 4>(int, int)> &paint) {
    std::string out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int side : {w, h}) {
        out += char(side & 0xff);
        out += char(side >> 8);
    }
    out += {32, 0x28};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            std::array<int, 4> p = paint(x, y);
            out += {char(p[2]), char(p[1]), char(p[0]), char(p[3])};
        }
    return out;
}

class AttractFrame : public RunningGame {
  protected:
    // A frame once the game has drawn a few, saved for a person to look at.
    Frame settled_frame(const std::string &name) {
        sleep_seconds(1.0);
        Frame frame = grab_frame(x.dpy, window);
        save_screenshot(frame, name);
        return frame;
    }
};

// Where the title card is opaque the window shows its colours less their blue; where it is
// see-through, the scene behind it.
TEST_F(AttractFrame, IntroPictureCoversTheWindowWithTheSceneInItsWindows) {
    int w = 0, h = 0, channels = 0;
    unsigned char *card =
        SOIL_load_image(HAYSTACK_DATA_DIR "/introa.tga", &w, &h, &channels, SOIL_LOAD_RGBA);
    ASSERT_NE(card, nullptr);
    auto texel = [&](int tx, int ty) {
        const unsigned char *p =
            card + 4 * (std::clamp(ty, 0, h - 1) * w + std::clamp(tx, 0, w - 1));
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    ASSERT_NO_FATAL_FAILURE(start_game());
    Frame frame = settled_frame("attract_intro_picture");
    ASSERT_EQ(frame.width, WIDTH);

    int opaque = 0, opaque_matching = 0, clear = 0, clear_showing_scene = 0;
    for (int py = 2; py < HEIGHT; py += 4)
        for (int px = 2; px < WIDTH; px += 4) {
            int tx = (px + 0.5) * w / WIDTH, ty = (py + 0.5) * h / HEIGHT;
            // Only where the card is the same all around, so filtering cannot blur it.
            std::array<int, 4> centre = texel(tx, ty);
            bool uniform = true;
            for (int dy = -2; dy <= 2; dy++)
                for (int dx = -2; dx <= 2; dx++)
                    uniform = uniform && texel(tx + dx, ty + dy) == centre;
            if (!uniform)
                continue;
            Rgb drawn = {centre[0], centre[1], 0};
            if (centre[3] == 255) {
                opaque++;
                opaque_matching += near(frame.at(px, py), drawn, 6);
            } else {
                clear++;
                clear_showing_scene += !near(frame.at(px, py), drawn, 6);
            }
        }
    SOIL_free_image_data(card);
    ASSERT_GT(opaque, 500);
    ASSERT_GT(clear, 500);
    // Strand tips within two units of the eye may cover a little of the card.
    EXPECT_GT(double(opaque_matching) / opaque, 0.9);
    EXPECT_GT(double(clear_showing_scene) / clear, 0.9);
    EXPECT_GT(share(frame, 0, 0, WIDTH, HEIGHT, [](Rgb p) { return p == SKY; }), 0.001)
        << "the sky shows through the card's window in the clear colour";
}

// A card of our own with blue in it: the top band red and blue, the rest of the left half
// grey-blue, the right half see-through. The cursor cross, drawn before it, stays on top.
TEST_F(AttractFrame, CardLosesItsBlueAndTheCursorCrossStaysOnTop) {
    game.add_all_data({"introa.tga"});
    game.write_file("introa.tga", tga(64, 64, [](int px, int py) -> std::array<int, 4> {
                        if (px >= 32)
                            return {0, 0, 0, 0};
                        return py < 16 ? std::array<int, 4>{200, 0, 255, 255}
                                       : std::array<int, 4>{64, 128, 255, 255};
                    }));
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    // Strand tips right by the eye may cross the card: aim where none does.
    const Rgb card = {64, 128, 0};
    Frame before = settled_frame("attract_test_card");
    ASSERT_EQ(before.width, WIDTH);
    int mx = 0, my = 0;
    auto clear_patch = [&](int cx, int cy) {
        return share(before, cx - 35, cy - 15, cx + 35, cy + 15, [&](Rgb p) { return p == card; });
    };
    for (int cy = 160; cy < 450 && !mx; cy += 10)
        for (int cx = 50; cx < 270 && !mx; cx += 10)
            if (clear_patch(cx, cy) == 1)
                mx = cx, my = cy;
    ASSERT_NE(mx, 0) << "no clear patch of card to aim at";
    move_mouse(x.dpy, window, mx, my);
    Frame frame = settled_frame("attract_test_card_and_cross");
    ASSERT_EQ(frame.width, WIDTH);

    auto is = [](Rgb colour) { return [colour](Rgb p) { return near(p, colour, 3); }; };
    EXPECT_GT(share(frame, 20, 10, 300, 100, is({200, 0, 0})), 0.9) << "top band, upright";
    EXPECT_GT(share(frame, 20, 140, 300, 470, is(card)), 0.8);
    EXPECT_GT(share(frame, 330, 0, WIDTH, HEIGHT, [](Rgb p) { return p == SKY; }), 0.01)
        << "the sky shows through the card's clear half";

    // Each arm of the cross shades from one colour at its end to another.
    Rgb red = frame.at(mx - 10, my + 7), green = frame.at(mx + 10, my - 7);
    Rgb blue = frame.at(mx + 10, my + 7), yellow = frame.at(mx - 10, my - 7);
    EXPECT_TRUE(red.r > 180 && red.g < 80 && red.b < 80) << red.r << "," << red.g << "," << red.b;
    EXPECT_TRUE(green.g > 180 && green.r < 80 && green.b < 80)
        << green.r << "," << green.g << "," << green.b;
    EXPECT_TRUE(blue.b > 180 && blue.r < 80 && blue.g < 80)
        << blue.r << "," << blue.g << "," << blue.b;
    EXPECT_TRUE(yellow.r > 180 && yellow.g > 180 && yellow.b < 80)
        << yellow.r << "," << yellow.g << "," << yellow.b;
    EXPECT_EQ(frame.at(mx + 30, my), card) << "the cross is small";
}

TEST_F(AttractFrame, MissingIntroPictureLeavesASolidYellowWindow) {
    game.add_all_data({"introa.tga"});
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    Frame frame = settled_frame("attract_without_intro_picture");
    ASSERT_EQ(frame.width, WIDTH);
    EXPECT_GT(share(frame, 0, 0, WIDTH, HEIGHT, [](Rgb p) { return p == YELLOW; }), 0.85);
}

// Through a see-through card: without their pictures the clouds overhead are plain white.
TEST_F(AttractFrame, MissingCloudAndFencePicturesLeaveThemWhite) {
    game.add_all_data({"introa.tga", "clouda.tga", "fencea.tga"});
    game.write_file("introa.tga", tga(4, 4, [](int, int) { return std::array<int, 4>{}; }));
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    Frame frame = settled_frame("attract_untextured_clouds");
    ASSERT_EQ(frame.width, WIDTH);
    double white = share(frame, 0, 0, WIDTH, HEIGHT / 2, [](Rgb p) { return p == WHITE; });
    EXPECT_GT(white, 0.005);
}
