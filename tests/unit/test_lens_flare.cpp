#include "screen/LensFlare.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

float texel(const std::vector<float>& atlas, int tile, int column, int row)
{
    return atlas[static_cast<size_t>(row) * LensFlare::kAtlasWidth + static_cast<size_t>(tile * 256 + column)];
}

} // namespace

TEST(LensFlare, AtlasTilesAndStarburstsFromSeed23)
{
    gameSrand(999);
    const std::vector<float> atlas = LensFlare::buildAtlas();
    const int afterAtlas = gameRand();
    ASSERT_EQ(atlas.size(), static_cast<size_t>(2048 * 256));
    EXPECT_TRUE(std::all_of(atlas.begin(), atlas.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; }));
    EXPECT_FLOAT_EQ(texel(atlas, 0, 127, 127), 1.0f); // soft disc: full at the centre
    EXPECT_EQ(texel(atlas, 0, 0, 0), 0.0f);
    EXPECT_NEAR(texel(atlas, 1, 127 + 119, 127), 1.0f, 1e-5f); // bright rim
    EXPECT_EQ(texel(atlas, 1, 127, 127), 0.0f);
    EXPECT_GT(texel(atlas, 3, 127 + 107, 127), 0.9f); // thin ring at 0.9 of the radius
    for (int tile = 4; tile < 8; ++tile) {
        float peak = 0.0f;
        for (int row = 0; row < 256; ++row)
            for (int column = 0; column < 256; ++column)
                peak = std::max(peak, texel(atlas, tile, column, row));
        EXPECT_NEAR(peak, 3.0f, 1e-5f) << "starburst " << tile;
    }
    // Two values per ray, eighty rays, four bursts from seed 23; the next user goes on.
    gameSrand(23);
    for (int i = 0; i < 4 * 80 * 2; ++i)
        gameRand();
    EXPECT_EQ(gameRand(), afterAtlas);
}

TEST(LensFlare, LayoutFadesTowardsTheEdgeAndCyclesTheStarbursts)
{
    std::vector<FlareQuad> quads;
    EXPECT_FALSE(LensFlare::layout(1.31f, 0.0f, 1280, 768, quads));
    EXPECT_FALSE(LensFlare::layout(0.0f, -1.31f, 1280, 768, quads));
    EXPECT_TRUE(quads.empty());

    ASSERT_TRUE(LensFlare::layout(1.2f, 0.0f, 1280, 768, quads));
    ASSERT_EQ(quads.size(), 16u);
    const float edgeFade = 1.0f - 1.2f / 1.3f;
    for (const FlareQuad& q : quads)
        EXPECT_LE(std::max({q.color.r, q.color.g, q.color.b}), edgeFade + 1e-6f);
    // Element 4 (soft disc, 0.8 of 1024 px) sits on the sun, 768 px out of 800.
    EXPECT_NEAR(quads[4].color.r, (1.0f - 768.0f / 800.0f) * edgeFade, 1e-5f);
    EXPECT_NEAR(quads[4].size, 819.2f, 1e-3f);
    EXPECT_NEAR(quads[4].corner.x + quads[4].size / 2, 640.0f + 768.0f, 1e-3f);
    EXPECT_EQ(quads[15].size, 0.0f);

    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(LensFlare::layout(0.0f, 0.0f, 1000, 600, quads));
        EXPECT_EQ(quads[1].tile, 4);
        EXPECT_EQ(quads[2].tile, 5);
        EXPECT_EQ(quads[3].tile, 6);
        EXPECT_EQ(quads[11].tile, 7);
    }
    // Sun at the centre: everything stacked there, at full strength.
    EXPECT_NEAR(quads[7].corner.x + quads[7].size / 2, 500.0f, 1e-3f);
    EXPECT_EQ(quads[7].color, glm::vec3(1.0f));
}
