#include "platform/Random.h"

#include <gtest/gtest.h>

TEST(GameRandom, ReproducesTheClassicSequence)
{
    gameSrand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(gameRand(), value);
}

TEST(GameRandom, ReseedingRestartsAndStaysInRange)
{
    gameSrand(23);
    const int first = gameRand();
    for (int i = 0; i < 100000; ++i) {
        const int v = gameRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, GAME_RAND_MAX);
    }
    gameSrand(23);
    EXPECT_EQ(gameRand(), first);
}
