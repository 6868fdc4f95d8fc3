#include "platform/Gamma.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(GammaRamp, StepFollowsTheGammaValue)
{
    std::uint16_t ramp[GAMMA_RAMP_SIZE];
    ASSERT_TRUE(computeGammaRamp(0.0f, ramp));
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[1], 255);
    EXPECT_EQ(ramp[255], 65025);

    ASSERT_TRUE(computeGammaRamp(1.0f, ramp));
    EXPECT_EQ(ramp[171], 171 * 383);
    EXPECT_EQ(ramp[172], 65535);
    EXPECT_EQ(ramp[255], 65535);

    ASSERT_TRUE(computeGammaRamp(-1.0f, ramp));
    EXPECT_EQ(ramp[255], 32640);
}

TEST(GammaRamp, ExtremeValuesNeverWrap)
{
    std::uint16_t ramp[GAMMA_RAMP_SIZE];
    ASSERT_TRUE(computeGammaRamp(-5.0f, ramp));
    for (std::uint16_t v : ramp)
        EXPECT_EQ(v, 0);
    ASSERT_TRUE(computeGammaRamp(1e9f, ramp));
    EXPECT_EQ(ramp[0], 0);
    for (int i = 1; i < GAMMA_RAMP_SIZE; ++i)
        EXPECT_EQ(ramp[i], 65535);
    ramp[5] = 1234;
    EXPECT_FALSE(computeGammaRamp(NAN, ramp));
    EXPECT_FALSE(computeGammaRamp(INFINITY, ramp));
    EXPECT_EQ(ramp[5], 1234);
}

TEST(GammaRamp, ResamplingKeepsEndsAndShape)
{
    std::uint16_t ramp[GAMMA_RAMP_SIZE];
    computeGammaRamp(0.0f, ramp);
    const auto same = resampleRamp(ramp, 256, 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(same[i], ramp[i]);

    const auto wide = resampleRamp(ramp, 256, 1024);
    ASSERT_EQ(wide.size(), 1024u);
    EXPECT_EQ(wide.front(), 0);
    EXPECT_EQ(wide.back(), 65025);
    for (size_t i = 1; i < wide.size(); ++i)
        EXPECT_GE(wide[i], wide[i - 1]);
    EXPECT_NEAR(wide[511], 65025.0 * 511 / 1023, 1.0);
}

