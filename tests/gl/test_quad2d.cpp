#include "platform/FrameGlobals.h"
#include "screen/LensFlare.h"
#include "GameGl.h"
#include "screen/Quad2D.h"
#include "gl/Texture.h"

#include <cstring>
#include <memory>

namespace {

class QuadTest : public GameGlTest {
protected:
    // An RGBA texture with nearest filtering, bottom row first.
    static Texture* makeTexture(int w, int h, const std::vector<uint8_t>& texels)
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        return new Texture(name);
    }
};

} // namespace

TEST_F(QuadTest, ColourBoxCoversItsPixelsInTheQuadsRectangle)
{
    OffscreenTarget target(100, 100);
    Quad2D quad(0.0f, 0.0f, 100.0f, 100.0f);
    glEnable(GL_DEPTH_TEST);
    quad.drawColor(glm::vec4(1.0f, 0.0f, 0.0f, 1.0f), 10.0f, 20.0f, 30.0f, 40.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // With the sub-pixel adjustments the quad spans (10.375, 20.375) to (40.875, 60.875).
    LitBox box = target.lit(target.read(), 0, 128);
    EXPECT_EQ(box.minX, 10);
    EXPECT_EQ(box.maxX, 40);
    EXPECT_EQ(box.minY, 20);
    EXPECT_EQ(box.maxY, 60);

    glClear(GL_COLOR_BUFFER_BIT);
    quad.setRect(100.0f, 100.0f, 100.0f, 100.0f);
    quad.drawColor(glm::vec4(1.0f), 110.0f, 120.0f, 30.0f, 40.0f);
    box = target.lit(target.read(), 0, 128);
    EXPECT_EQ(box.minX, 10);
    EXPECT_EQ(box.minY, 20);
}

TEST_F(QuadTest, SpritesShowTheChosenPartOfTheTexture)
{
    OffscreenTarget target(64, 32);
    Quad2D quad(0.0f, 0.0f, 64.0f, 32.0f);
    std::unique_ptr<Texture> redGreen(makeTexture(2, 1, {255, 0, 0, 255, 0, 255, 0, 255}));
    quad.draw(redGreen.get(), 0.0f, 0.0f, 63.0f, 31.0f);
    auto pixels = target.read();
    EXPECT_EQ(target.at(pixels, 5, 16)[0], 255);
    EXPECT_EQ(target.at(pixels, 58, 16)[1], 255);

    // The right half only: green everywhere.
    quad.draw(redGreen.get(), 0.0f, 0.0f, 63.0f, 31.0f, glm::vec2(0.5f, 0.0f), glm::vec2(0.5f, 1.0f));
    EXPECT_EQ(target.at(target.read(), 5, 16)[0], 0);

    // The atlas fast path on the caller's program state; a null texture keeps the bound one.
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(quad.shader->m_program);
    quad.shader->setUniform("projMat", quad.projection);
    glBindVertexArray(quad.vao);
    quad.drawRect(redGreen.get(), 0.0f, 0.0f, 15.0f, 15.0f, glm::vec2(0.0f), glm::vec2(0.5f, 1.0f));
    quad.drawRect(nullptr, 32.0f, 0.0f, 15.0f, 15.0f, glm::vec2(0.5f, 0.0f), glm::vec2(0.5f, 1.0f));
    glBindVertexArray(0);
    pixels = target.read();
    EXPECT_EQ(target.at(pixels, 8, 8)[0], 255);
    EXPECT_EQ(target.at(pixels, 40, 8)[1], 255);
    EXPECT_EQ(target.at(pixels, 40, 24)[1], 0);

    // Minimap blend: the grey of the first texture, shaded by the second, tinted.
    std::unique_ptr<Texture> half(makeTexture(1, 1, {128, 128, 128, 255}));
    quad.drawBlend(redGreen.get(), half.get(), glm::vec3(1.0f, 0.5f, 0.0f), 0.0f, 0.0f, 63.0f, 31.0f,
                   glm::vec2(0.5f, 0.0f), glm::vec2(0.5f, 1.0f));
    const glm::ivec4 blended = target.at(target.read(), 20, 16);
    EXPECT_NEAR(blended[0], 0.587 * 128, 2);
    EXPECT_NEAR(blended[1], 0.587 * 64, 2);
}

TEST_F(QuadTest, FlareAtlasIsTheSameOnEveryBuild)
{
    std::unique_ptr<Texture> first(LensFlare::createTexture());
    std::unique_ptr<Texture> second(LensFlare::createTexture());
    ASSERT_EQ(first->m_width, 2048);
    ASSERT_EQ(first->m_height, 256);
    std::vector<float> a(2048 * 256), b(2048 * 256);
    glBindTexture(GL_TEXTURE_2D, first->m_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, a.data());
    glBindTexture(GL_TEXTURE_2D, second->m_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, b.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
    EXPECT_FLOAT_EQ(*std::max_element(a.begin(), a.end()), 3.0f); // starbursts peak at 3
}

TEST_F(QuadTest, FlareAddsLightAroundTheSunOnly)
{
    const int savedWidth = gWindowWidth, savedHeight = gWindowHeight;
    gWindowWidth = 320;
    gWindowHeight = 192;
    OffscreenTarget target(320, 192);
    auto flare = std::make_unique<LensFlare>();

    glEnable(GL_DEPTH_TEST);
    flare->draw(1.31f, 0.0f);
    EXPECT_TRUE(target.lit(target.read(), 0, 0).empty());

    flare->draw(0.25f, 0.25f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    const glm::ivec4 atSun = target.at(target.read(), 200, 120);
    EXPECT_GT(atSun[0] + atSun[1] + atSun[2], 300);

    gWindowWidth = 160;
    gWindowHeight = 96;
    flare->onResize();
    EXPECT_FLOAT_EQ(flare->quad->projection[0][0], 2.0f / 160.0f);
    gWindowWidth = savedWidth;
    gWindowHeight = savedHeight;
}
