// The gamepad's mapping at its edges: the dead zone, the extremes, the tap latch, several pads
// and a pulled-out one, and the cross the stick steers against the pointer.
#include <gtest/gtest.h>

#include "aim.h"
#include "pad_mapping.h"

namespace {

// Every pad at rest and every action read, so that no latch is left from another test.
class PadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int pad = 0; pad < MAX_PADS; pad++)
            pad_reset(pad);
        pad_forget_presses();
    }
    float step_x(int value) { // the cross's step across for a right stick at `value`
        float dx, dy;
        pad_set_axis(0, PAD_RIGHT_X, value);
        pad_cross_step(&dx, &dy);
        return dx;
    }
};

TEST_F(PadTest, DriftInsideTheDeadZoneDoesNothingAndTheExtremesKeepTheirDirection) {
    for (int drift : {-8191, 8191}) {
        pad_set_axis(0, PAD_LEFT_Y, drift);
        pad_set_axis(0, PAD_LEFT_TRIGGER, drift);
        EXPECT_FALSE(pad_action(PAD_WALK_FORWARD) || pad_action(PAD_WALK_BACK) ||
                     pad_action(PAD_LOOK_DOWN) || step_x(drift));
    }
    pad_set_axis(0, PAD_LEFT_Y, -32768);
    EXPECT_TRUE(pad_action(PAD_WALK_FORWARD) && !pad_action(PAD_WALK_BACK));
    pad_set_axis(0, PAD_LEFT_Y, 8300);
    EXPECT_TRUE(pad_action(PAD_WALK_BACK)) << "just past a quarter of the travel";
    EXPECT_FLOAT_EQ(step_x(-32768), -640.0f / 30) << "a second across the picture";
    EXPECT_FLOAT_EQ(step_x(40000), 640.0f / 30);
    EXPECT_LT(0, step_x(20000));
    EXPECT_LT(step_x(20000), step_x(26000)) << "faster the further it is pushed";
}

// Back alone sends once it is let go; with Start pressed while it was down it quits instead.
TEST_F(PadTest, ATapBetweenTwoReadsCountsOnceAndOnlyBackWithStartQuits) {
    pad_set_button(0, PAD_A, true);
    pad_set_button(0, PAD_A, false);
    EXPECT_TRUE(pad_action(PAD_AIM));
    EXPECT_FALSE(pad_action(PAD_AIM));
    pad_set_button(0, PAD_START, true);
    EXPECT_TRUE(pad_action(PAD_START_PLAY) && !pad_action(PAD_QUIT));
    pad_set_button(0, PAD_START, false);
    pad_set_button(0, PAD_BACK, true);
    EXPECT_FALSE(pad_action(PAD_QUIT) || pad_action(PAD_START_PLAY));
    pad_set_button(0, PAD_START, true);
    EXPECT_TRUE(pad_action(PAD_QUIT) && !pad_action(PAD_START_PLAY));
    pad_set_button(0, PAD_START, false);
    pad_set_button(0, PAD_BACK, false);
    EXPECT_FALSE(pad_action_pressed(PAD_SEND)) << "the quitting chord sends nothing";
    pad_set_button(0, PAD_BACK, true);
    EXPECT_FALSE(pad_action_pressed(PAD_SEND)) << "not before Back is let go";
    pad_set_button(0, PAD_BACK, false);
    EXPECT_TRUE(pad_action_pressed(PAD_SEND) && !pad_action_pressed(PAD_SEND));
}

// With the right shoulder held the d-pad moves the cross instead of walking; presses count once
// each for the options screen, however long they are held, and one held as the screen closes
// counts for nothing until it is let go.
TEST_F(PadTest, ShoulderAndDpadSteerTheCrossAndPressesCountOnce) {
    pad_set_button(0, PAD_DPAD_UP, true);
    EXPECT_TRUE(pad_action(PAD_WALK_FORWARD) && !pad_action(PAD_CROSS_UP));
    pad_set_button(0, PAD_RIGHT_SHOULDER, true);
    EXPECT_TRUE(pad_action(PAD_CROSS_UP) && !pad_action(PAD_WALK_FORWARD));
    pad_set_button(0, PAD_DPAD_UP, false);
    pad_set_button(0, PAD_DPAD_RIGHT, true);
    EXPECT_TRUE(pad_action(PAD_CROSS_RIGHT) && !pad_action(PAD_TURN_RIGHT));
    pad_set_button(0, PAD_B, true);
    EXPECT_TRUE(pad_action_pressed(PAD_BACK_OUT));
    EXPECT_FALSE(pad_action_pressed(PAD_BACK_OUT)) << "held, still one press";
    EXPECT_TRUE(pad_action(PAD_BACK_OUT));
    pad_set_button(0, PAD_B, false);
    pad_set_button(0, PAD_B, true);
    pad_forget_presses();
    EXPECT_FALSE(pad_action_pressed(PAD_BACK_OUT));
    EXPECT_FALSE(pad_action(PAD_BACK_OUT)) << "held through the forgetting: not until let go";
    pad_set_button(0, PAD_B, false);
    pad_set_button(0, PAD_B, true);
    EXPECT_TRUE(pad_action(PAD_BACK_OUT));
}

TEST_F(PadTest, AnyPadDrivesAndAPulledOutPadLetsGoOfAll) {
    pad_set_axis(7, PAD_RIGHT_TRIGGER, 32767);
    pad_set_button(7, PAD_DPAD_RIGHT, true);
    pad_set_button(2, PAD_DPAD_RIGHT, true);
    pad_set_axis(MAX_PADS, PAD_LEFT_X, -32768); // no such pad
    pad_reset(7);
    EXPECT_TRUE(pad_action(PAD_TURN_RIGHT) && !pad_action(PAD_TURN_LEFT)) << "pad 2 holds it";
    EXPECT_TRUE(pad_action(PAD_AIM)) << "pulled out after a pull: it counts once";
    EXPECT_FALSE(pad_action(PAD_AIM));
    pad_set_axis(3, PAD_RIGHT_Y, 32767);
    pad_set_axis(4, PAD_RIGHT_Y, -20000);
    float dx, dy;
    pad_cross_step(&dx, &dy);
    EXPECT_FLOAT_EQ(dy, 480.0f / 30) << "the pad pushed furthest";
}

// The stick's cross stands until the pointer moves; a second's full push crosses the picture
// and stops at its edge, whatever the window's size.
TEST_F(PadTest, TheCrossFollowsWhicheverMovedLast) {
    Framing fullscreen = frame_picture(1920, 1080);
    aim_at_pointer(1200, 540, fullscreen);
    EXPECT_FLOAT_EQ(cross_x(), (1200 - 240) / 2.25f);
    pad_set_axis(0, PAD_RIGHT_X, -32768);
    pad_set_axis(0, PAD_RIGHT_Y, 32767);
    for (int tick = 0; tick < 31; tick++) {
        float dx, dy;
        pad_cross_step(&dx, &dy);
        steer_cross(dx, dy);
        aim_at_pointer(1200, 540, fullscreen);
    }
    EXPECT_TRUE(cross_x() == 0 && cross_y() == 480) << cross_x() << ", " << cross_y();
    aim_at_pointer(1201, 540, fullscreen);
    EXPECT_FLOAT_EQ(cross_x(), (1201 - 240) / 2.25f);
    EXPECT_FLOAT_EQ(cross_y(), 240.0f);
}

} // namespace
