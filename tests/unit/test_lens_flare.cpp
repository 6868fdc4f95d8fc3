#include "LensFlare.h"
#include "Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

float texel(const std::vector<float>& atlas, int tile, int column, int row)
{
    return atlas[static_cast<size_t>(row) * LensFlare::kAtlasWidth +
                 static_cast<size_t>(tile * LensFlare::kTileSize + column)];
}

float tilePeak(const std::vector<float>& atlas, int tile)
{
    float peak = 0.0f;
    for (int row = 0; row < LensFlare::kTileSize; ++row)
        for (int column = 0; column < LensFlare::kTileSize; ++column)
            peak = std::max(peak, texel(atlas, tile, column, row));
    return peak;
}

} // namespace

TEST(LensFlareAtlas, SameBytesOnEveryBuildAndSane)
{
    gameSrand(999); // whatever state the generator was left in
    const std::vector<float> first = LensFlare::buildAtlas();
    gameRand();
    const std::vector<float> second = LensFlare::buildAtlas();
    ASSERT_EQ(first.size(), static_cast<size_t>(2048 * 256));
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);

    for (float v : first) {
        ASSERT_TRUE(std::isfinite(v));
        ASSERT_GE(v, 0.0f);
    }
    // Soft disc: full at the centre, nothing outside its radius.
    EXPECT_FLOAT_EQ(texel(first, 0, 127, 127), 1.0f);
    EXPECT_EQ(texel(first, 0, 0, 0), 0.0f);
    // Bright rim: dark centre, about 1 on the rim, faded out in the corners.
    EXPECT_EQ(texel(first, 1, 127, 127), 0.0f);
    EXPECT_NEAR(texel(first, 1, 127 + 119, 127), 1.0f, 1e-5f);
    EXPECT_EQ(texel(first, 1, 0, 0), 0.0f);
    // Thin ring peaks at 0.9 of the radius.
    EXPECT_EQ(texel(first, 3, 127, 127), 0.0f);
    EXPECT_GT(texel(first, 3, 127 + 107, 127), 0.9f);
    // Every starburst is normalised to the same peak, and the four differ.
    for (int tile = 4; tile < 8; ++tile)
        EXPECT_NEAR(tilePeak(first, tile), 3.0f, 1e-5f) << "tile " << tile;
    EXPECT_NE(texel(first, 4, 127 + 40, 127), texel(first, 5, 127 + 40, 127));
}

TEST(LensFlareAtlas, StarburstsContinueFromSeed23)
{
    // The starbursts take the generator's values from seed 23 on: two per ray, eighty
    // rays per burst, four bursts. Whoever draws next continues from there.
    LensFlare::buildAtlas();
    const int afterAtlas = gameRand();
    gameSrand(23);
    for (int i = 0; i < 4 * 80 * 2; ++i)
        gameRand();
    EXPECT_EQ(gameRand(), afterAtlas);
}

TEST(LensFlareLayout, OffScreenSunDrawsNothing)
{
    std::vector<FlareQuad> quads;
    EXPECT_FALSE(LensFlare::layout(1.31f, 0.0f, 1280, 768, quads));
    EXPECT_TRUE(quads.empty());
    EXPECT_FALSE(LensFlare::layout(0.0f, -1.31f, 1280, 768, quads));
    EXPECT_TRUE(LensFlare::layout(1.3f, 1.3f, 1280, 768, quads));
}

TEST(LensFlareLayout, SunNearTheEdgeFadesEveryElement)
{
    std::vector<FlareQuad> quads;
    ASSERT_TRUE(LensFlare::layout(1.2f, 0.0f, 1280, 768, quads));
    ASSERT_EQ(quads.size(), 16u);
    const float maxStrength = 1.0f - 1.2f / 1.3f;
    for (const FlareQuad& q : quads)
        for (int c = 0; c < 3; ++c)
            EXPECT_LE(q.color[c], maxStrength + 1e-6f);
    // Element 4 (white soft disc on the sun, 0.8 of 1024 px) at the sun: 768 px along
    // the axis out of a fade distance of 800 px.
    const float expected = (1.0f - 768.0f / 800.0f) * maxStrength;
    EXPECT_NEAR(quads[4].color.r, expected, 1e-5f);
    EXPECT_NEAR(quads[4].size, 0.8f * 1024.0f, 1e-3f);
    EXPECT_NEAR(quads[4].corner.x + quads[4].size / 2, 640.0f + 768.0f, 1e-3f);
    EXPECT_NEAR(quads[4].corner.y + quads[4].size / 2, 384.0f, 1e-3f);
}

TEST(LensFlareLayout, StarburstVariantsCycleEveryFrame)
{
    std::vector<FlareQuad> quads;
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(LensFlare::layout(0.3f, -0.2f, 1280, 768, quads));
        EXPECT_EQ(quads[1].tile, 4);
        EXPECT_EQ(quads[2].tile, 5);
        EXPECT_EQ(quads[3].tile, 6);
        EXPECT_EQ(quads[11].tile, 7);
        EXPECT_EQ(quads[0].tile, 2);
        EXPECT_EQ(quads[14].tile, 2);
    }
    // The last element is empty: no size, no colour.
    EXPECT_EQ(quads[15].size, 0.0f);
    EXPECT_EQ(quads[15].color, glm::vec3(0.0f));
}

TEST(LensFlareLayout, SunAtCentreStacksEverythingThere)
{
    std::vector<FlareQuad> quads;
    ASSERT_TRUE(LensFlare::layout(0.0f, 0.0f, 1000, 600, quads));
    const float span = 1600.0f;
    for (size_t i = 0; i < quads.size(); ++i) {
        const FlareQuad& q = quads[i];
        EXPECT_NEAR(q.size, LensFlare::elements()[i].size * span / 2.0f, 1e-3f);
        EXPECT_NEAR(q.corner.x + q.size / 2, 500.0f, 1e-3f);
        EXPECT_NEAR(q.corner.y + q.size / 2, 300.0f, 1e-3f);
        // No distance along the axis and no centre fade: full colour.
        EXPECT_EQ(q.color, LensFlare::elements()[i].color);
    }
}
