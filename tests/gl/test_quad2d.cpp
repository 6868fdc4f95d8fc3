#include "FrameGlobals.h"
#include "GlTest.h"
#include "LensFlare.h"
#include "OffscreenTarget.h"
#include "Quad2D.h"
#include "ScreenPrograms.h"
#include "Texture.h"

#include <cstring>
#include <memory>

namespace {

class QuadTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ensureScreenPrograms();
    }

    static const uint8_t* pixel(const std::vector<uint8_t>& pixels, int width, int x, int y)
    {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }

    // A w x h RGBA texture with nearest filtering from bytes, bottom row first.
    static Texture* makeTexture(int w, int h, const std::vector<uint8_t>& texels)
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return new Texture(name);
    }
};

} // namespace

TEST_F(QuadTest, ColourBoxCoversItsPixelsAndRestoresDepthTest)
{
    OffscreenTarget target(100, 100);
    Quad2D quad(0.0f, 0.0f, 100.0f, 100.0f);
    glEnable(GL_DEPTH_TEST);
    quad.drawColor(glm::vec4(1.0f, 0.0f, 0.0f, 1.0f), 10.0f, 20.0f, 30.0f, 40.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    const auto pixels = target.read();
    target.keep(pixels, "quad_color");
    // The quad spans (10.375, 20.375) to (40.875, 60.875): pixel centres 10.5 .. 40.5
    // across and 20.5 .. 60.5 up.
    const LitBox box = litBox(pixels, 100, 100, 0, 128);
    EXPECT_EQ(box.minX, 10);
    EXPECT_EQ(box.maxX, 40);
    EXPECT_EQ(box.minY, 20);
    EXPECT_EQ(box.maxY, 60);
    EXPECT_EQ(pixel(pixels, 100, 25, 40)[0], 255);
    EXPECT_EQ(pixel(pixels, 100, 25, 40)[1], 0);

    // The quad's own rectangle maps onto the viewport: a rectangle starting at
    // (100, 100) draws the same box 100 pixels further in.
    glClear(GL_COLOR_BUFFER_BIT);
    quad.setRect(100.0f, 100.0f, 100.0f, 100.0f);
    quad.drawColor(glm::vec4(0.0f, 1.0f, 0.0f, 1.0f), 110.0f, 120.0f, 30.0f, 40.0f);
    const LitBox moved = litBox(target.read(), 100, 100, 1, 128);
    EXPECT_EQ(moved.minX, 10);
    EXPECT_EQ(moved.minY, 20);
}

TEST_F(QuadTest, SpritesShowTheChosenPartOfTheTexture)
{
    OffscreenTarget target(64, 32);
    Quad2D quad(0.0f, 0.0f, 64.0f, 32.0f);
    // Left texel red, right texel green.
    std::unique_ptr<Texture> texture(makeTexture(2, 1, {255, 0, 0, 255, 0, 255, 0, 255}));
    quad.draw(texture.get(), 0.0f, 0.0f, 63.0f, 31.0f);
    auto pixels = target.read();
    target.keep(pixels, "quad_sprite");
    EXPECT_EQ(pixel(pixels, 64, 5, 16)[0], 255);
    EXPECT_EQ(pixel(pixels, 64, 58, 16)[1], 255);
    EXPECT_EQ(pixel(pixels, 64, 58, 16)[0], 0);

    // The right half of the texture only: green everywhere.
    glClear(GL_COLOR_BUFFER_BIT);
    quad.draw(texture.get(), 0.0f, 0.0f, 63.0f, 31.0f, glm::vec2(0.5f, 0.0f), glm::vec2(0.5f, 1.0f));
    pixels = target.read();
    EXPECT_EQ(pixel(pixels, 64, 5, 16)[1], 255);
    EXPECT_EQ(pixel(pixels, 64, 5, 16)[0], 0);

    // The atlas fast path on the caller's program state.
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(quad.shader->m_program);
    quad.shader->setUniform("projMat", quad.projection);
    quad.shader->setUniform("tex", 0);
    glBindVertexArray(quad.vao);
    quad.drawRect(texture.get(), 0.0f, 0.0f, 15.0f, 15.0f, glm::vec2(0.0f), glm::vec2(0.5f, 1.0f));
    quad.drawRect(nullptr, 32.0f, 0.0f, 15.0f, 15.0f, glm::vec2(0.5f, 0.0f), glm::vec2(0.5f, 1.0f));
    pixels = target.read();
    EXPECT_EQ(pixel(pixels, 64, 8, 8)[0], 255);
    EXPECT_EQ(pixel(pixels, 64, 40, 8)[1], 255);
    EXPECT_EQ(pixel(pixels, 64, 40, 24)[1], 0);
    glBindVertexArray(0);
}

TEST_F(QuadTest, BlendTintsTheGreyOfOneTextureByTheOther)
{
    OffscreenTarget target(16, 16);
    Quad2D quad(0.0f, 0.0f, 16.0f, 16.0f);
    std::unique_ptr<Texture> white(makeTexture(1, 1, {255, 255, 255, 255}));
    std::unique_ptr<Texture> half(makeTexture(1, 1, {128, 128, 128, 255}));
    quad.drawBlend(white.get(), half.get(), glm::vec3(1.0f, 0.5f, 0.0f), 0.0f, 0.0f, 15.0f, 15.0f, glm::vec2(0.0f),
                   glm::vec2(1.0f));
    const auto pixels = target.read();
    EXPECT_NEAR(pixel(pixels, 16, 8, 8)[0], 128, 2);
    EXPECT_NEAR(pixel(pixels, 16, 8, 8)[1], 64, 2);
    EXPECT_EQ(pixel(pixels, 16, 8, 8)[2], 0);
}

TEST_F(QuadTest, FlareAtlasIsTheSameOnEveryBuild)
{
    std::unique_ptr<Texture> first(LensFlare::createTexture());
    std::unique_ptr<Texture> second(LensFlare::createTexture());
    EXPECT_EQ(first->m_width, 2048);
    EXPECT_EQ(first->m_height, 256);
    const size_t count = 2048 * 256;
    std::vector<float> a(count), b(count);
    glBindTexture(GL_TEXTURE_2D, first->m_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, a.data());
    glBindTexture(GL_TEXTURE_2D, second->m_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, b.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(std::memcmp(a.data(), b.data(), count * sizeof(float)), 0);
    // Stored at half precision: the starbursts still peak at 3.
    float peak = 0.0f;
    for (int row = 0; row < 256; ++row)
        for (int column = 4 * 256; column < 5 * 256; ++column)
            peak = std::max(peak, a[static_cast<size_t>(row) * 2048 + column]);
    EXPECT_FLOAT_EQ(peak, 3.0f);
}

TEST_F(QuadTest, FlareAddsLightAroundTheSunOnly)
{
    const int savedWidth = gWindowWidth, savedHeight = gWindowHeight;
    gWindowWidth = 320;
    gWindowHeight = 192;
    OffscreenTarget target(320, 192);
    auto flare = std::make_unique<LensFlare>();

    // Far off screen: nothing drawn, blending and depth test untouched.
    glEnable(GL_DEPTH_TEST);
    flare->draw(1.31f, 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(litBox(target.read(), 320, 192, 0, 0).empty());

    // Sun a little right of and above the centre: light there, blending off again.
    flare->draw(0.25f, 0.25f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    const auto pixels = target.read();
    target.keep(pixels, "flare");
    const int sunX = static_cast<int>((0.25f * 0.5f + 0.5f) * 320);
    const int sunY = static_cast<int>((0.25f * 0.5f + 0.5f) * 192);
    const uint8_t* atSun = pixel(pixels, 320, sunX, sunY);
    EXPECT_GT(atSun[0] + atSun[1] + atSun[2], 300);

    // The quad follows a window resize.
    gWindowWidth = 160;
    gWindowHeight = 96;
    flare->onResize();
    EXPECT_FLOAT_EQ(flare->quad->projection[0][0], 2.0f / 160.0f);
    gWindowWidth = savedWidth;
    gWindowHeight = savedHeight;
}
