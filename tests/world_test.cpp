// The generated world: the mound's strands and colours, the target and the clouds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "game_state.h"
#include "world.h"

namespace {

const float EPS = 1e-4f; // slack for float arithmetic, world units

class WorldTest : public ::testing::TestWithParam<unsigned> {
  protected:
    void SetUp() override {
        generate_world(GENERATOR_GLIBC, GetParam());
    }
};

bool whole(float v) {
    return v == std::floor(v);
}

TEST_P(WorldTest, StrandBasesLieInsideTheMound) {
    for (int k = 0; k < STRANDS; k++) {
        const Vec3 &base = strand_vertices[2 * k];
        ASSERT_TRUE(base.x >= 0 && base.x < 200 && base.z >= 0 && base.z < 200) << "strand " << k;
        ASSERT_TRUE(whole(base.x) && whole(base.z)) << "strand " << k;
        ASSERT_GE(base.y, 0.0f) << "strand " << k;
        ASSERT_LT(base.y, 100.0f) << "strand " << k;
        ASSERT_LE(base.y, 99.0f * mound_profile(base.x, base.z) + EPS) << "strand " << k;
        // A whole fraction 0..99 of the mound's height there, to the last bit.
        float profile = mound_profile(base.x, base.z);
        if (profile > 0) {
            ASSERT_EQ(base.y, std::round(base.y / profile) * profile) << "strand " << k;
        }
    }
}

TEST_P(WorldTest, StrandTipsStayWithinWholeOffsetsOfTheirBases) {
    int offsets_seen[20] = {};
    for (int k = 0; k < STRANDS; k++) {
        const Vec3 &base = strand_vertices[2 * k], &tip = strand_vertices[2 * k + 1];
        for (float d : {tip.x - base.x, tip.y - base.y, tip.z - base.z}) {
            ASSERT_GE(d, -10.0f - EPS) << "strand " << k;
            ASSERT_LE(d, 9.0f + EPS) << "strand " << k;
            ASSERT_NEAR(d, std::round(d), EPS) << "strand " << k;
            offsets_seen[int(std::round(d)) + 10]++;
        }
    }
    for (int count : offsets_seen)
        EXPECT_GT(count, 0) << "every offset from -10 to +9 turns up";
}

TEST_P(WorldTest, ColoursRunFromPaleYellowToBrown) {
    for (int i = 0; i < STRAND_VERTICES; i++) {
        float red = strand_colours[i][0], green = strand_colours[i][1], blue = strand_colours[i][2];
        ASSERT_TRUE(red >= 0.2f - EPS && red <= 0.999f + EPS) << "colour " << i;
        ASSERT_TRUE(blue >= 0.0f && blue <= 0.199f + EPS) << "colour " << i;
        float ratio = red / green;
        ASSERT_TRUE(ratio >= 1.2f - EPS && ratio <= 1.399f + EPS) << "colour " << i;
    }
}

TEST_P(WorldTest, TargetFloatsFiveAboveTheMound) {
    EXPECT_TRUE(target_a.x >= 0 && target_a.x < 200 && target_a.z >= 0 && target_a.z < 200);
    EXPECT_NEAR(target_a.y, 100.0f * mound_profile(target_a.x, target_a.z) + 5.0f, EPS);
    for (float d : {target_b.x - target_a.x, target_b.y - target_a.y, target_b.z - target_a.z}) {
        EXPECT_GE(d, -10.0f);
        EXPECT_LE(d, 9.0f);
    }
}

TEST_P(WorldTest, CloudsAreVerticalQuadsHungOnStrings) {
    for (const Cloud &c : clouds) {
        // Corners: upper pair at y0, lower pair at y1, each pair over the diagonal's ends.
        EXPECT_EQ(c.corner0.y, c.corner1.y);
        EXPECT_EQ(c.corner2.y, c.corner3.y);
        EXPECT_TRUE(c.corner0.x == c.corner3.x && c.corner0.z == c.corner3.z);
        EXPECT_TRUE(c.corner1.x == c.corner2.x && c.corner1.z == c.corner2.z);
        EXPECT_TRUE(c.corner0.x >= -200 && c.corner0.x <= 397 && c.corner0.z >= -200 &&
                    c.corner0.z <= 397);
        EXPECT_TRUE(c.corner0.y >= 180 && c.corner0.y <= 279);
        for (float span : {c.corner1.x - c.corner0.x, c.corner1.z - c.corner0.z})
            EXPECT_TRUE(span >= 80 && span <= 179);
        float height = c.corner0.y - c.corner3.y;
        EXPECT_TRUE(height >= 40 && height <= 119);

        float mid_x = (c.corner0.x + c.corner1.x) / 2, mid_z = (c.corner0.z + c.corner1.z) / 2;
        float mid_y = (c.corner0.y + c.corner3.y) / 2;
        EXPECT_FLOAT_EQ(c.string_low.x, mid_x);
        EXPECT_FLOAT_EQ(c.string_low.y, mid_y - 4);
        EXPECT_FLOAT_EQ(c.string_low.z, mid_z);
        EXPECT_TRUE(c.string_high.x == c.string_low.x && c.string_high.z == c.string_low.z);
        EXPECT_EQ(c.string_high.y, 800.0f);
    }
}

TEST_P(WorldTest, SameSeedMakesTheSameWorld) {
    static Vec3 first_vertices[STRAND_VERTICES];
    static float first_colours[STRAND_VERTICES][3];
    std::memcpy(first_vertices, strand_vertices, sizeof strand_vertices);
    std::memcpy(first_colours, strand_colours, sizeof strand_colours);
    Vec3 first_target = target_a;
    Cloud first_cloud = clouds[CLOUDS - 1];

    generate_world(GENERATOR_GLIBC, GetParam());
    EXPECT_EQ(std::memcmp(first_vertices, strand_vertices, sizeof strand_vertices), 0);
    EXPECT_EQ(std::memcmp(first_colours, strand_colours, sizeof strand_colours), 0);
    EXPECT_EQ(std::memcmp(&first_target, &target_a, sizeof target_a), 0);
    EXPECT_EQ(std::memcmp(&first_cloud, &clouds[CLOUDS - 1], sizeof first_cloud), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, WorldTest, ::testing::Values(1u, 42u, 1765000000u, 4294967295u));

TEST(WorldSeeds, DifferentSeedsMakeDifferentWorlds) {
    generate_world(GENERATOR_GLIBC, 7);
    Vec3 first = strand_vertices[0];
    Vec3 first_target = target_a;
    generate_world(GENERATOR_GLIBC, 8);
    EXPECT_TRUE(std::memcmp(&first, &strand_vertices[0], sizeof first) != 0 ||
                std::memcmp(&first_target, &target_a, sizeof first_target) != 0);
}

// Where the mound has no height, at the field's edge, the target floats 5 above the ground.
TEST(WorldSeeds, TargetAtTheFieldsEdgeFloatsFiveAboveTheGround) {
    unsigned seed = 1;
    for (;; seed++) {
        generate_world(GENERATOR_GLIBC, seed);
        if (target_a.x == 0.0f || target_a.z == 0.0f)
            break;
        ASSERT_LT(seed, 5000u) << "no seed put the target on the edge";
    }
    EXPECT_NEAR(target_a.y, 5.0f, EPS) << "seed " << seed;
}

TEST(MoundProfile, RisesFromTheEdgesToOneAtTheCentre) {
    EXPECT_FLOAT_EQ(mound_profile(100, 100), 1.0f);
    EXPECT_NEAR(mound_profile(0, 100), 0.0f, 1e-6);
    EXPECT_NEAR(mound_profile(100, 200), 0.0f, 1e-6);
    EXPECT_NEAR(mound_profile(50, 100), 0.5f, 1e-6);
    EXPECT_NEAR(mound_profile(50, 50), 0.25f, 1e-6);
}

} // namespace
