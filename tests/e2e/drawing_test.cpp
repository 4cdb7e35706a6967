// What the attract stage's frame shows, read from the real window's pixels: the intro picture
// over the scene, the sky, the cursor cross, and what missing pictures leave behind.
#include "harness.h"

const Rgb YELLOW = {255, 255, 0};  // an untextured overlay, drawn in the cross's last colour
const Rgb WHITE = {255, 255, 255}; // untextured clouds and fence

class AttractFrame : public RunningGame {
  protected:
    // A frame once the game has drawn a few, saved for a person to look at: three new ones,
    // so that the last read the pointer and the ticks after the call, however slow the frames.
    Frame settled_frame(const std::string &name) {
        Frame frame = wait_for_new_frames(x.dpy, window, 3, SHOW_TIMEOUT);
        save_screenshot(frame, name);
        return frame;
    }

    // The most sky shown right of `x0` over a second's frames: a cloud may pass close by the
    // flying camera and hide it for a moment.
    double most_sky(int x0) {
        double most = 0;
        for (int i = 0; i < 5; i++, sleep_seconds(0.2))
            most = std::max(most, share(grab_frame(x.dpy, window), x0, 0, WIDTH, HEIGHT, is_sky));
        return most;
    }
};

// Where the title card is opaque the window shows its colours less their blue; where it is
// see-through, the scene behind it.
TEST_F(AttractFrame, IntroPictureCoversTheWindowWithTheSceneInItsWindows) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    Frame frame = settled_frame("attract_intro_picture");
    ASSERT_EQ(frame.width, WIDTH);

    PictureMatch card = match_picture(frame, HAYSTACK_DATA_DIR "/introa.tga", HEIGHT);
    ASSERT_GT(card.opaque, 500);
    ASSERT_GT(card.clear, 500);
    // Strand tips within two units of the eye may cover a little of the card.
    EXPECT_GT(double(card.opaque_shown) / card.opaque, 0.9);
    EXPECT_GT(double(card.clear_open) / card.clear, 0.9);
    EXPECT_GT(most_sky(0), 0.001) << "the sky shows through the card's window in the clear colour";
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
    EXPECT_GT(most_sky(330), 0.01) << "the sky shows through the card's clear half";

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
