#include "Font.h"
#include "FrameGlobals.h"
#include "GlTest.h"
#include "MessageList.h"
#include "OffscreenTarget.h"
#include "ScreenPrograms.h"

#include <memory>

namespace {

class TextTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ensureScreenPrograms();
        mono = std::make_unique<Font>("unispace.ttf", 48);
        mono->saveStyle();
    }
    void TearDown() override
    {
        mono.reset();
        GlTest::TearDown();
    }

    glm::vec2 measure(Font& font, const std::string& text, float x = 0.0f, float y = 0.0f)
    {
        glm::vec2 size(-1.0f);
        font.render(&size, true, x, y, text);
        return size;
    }

    std::unique_ptr<Font> mono;
};

} // namespace

TEST_F(TextTest, GlyphsCoverEveryCodeAndMonoAdvancesEvenly)
{
    ASSERT_EQ(mono->glyphs.size(), 128u);
    const long advance = mono->glyphs.at('M').advance >> 6;
    EXPECT_GT(advance, 20);
    EXPECT_EQ(mono->glyphs.at('i').advance >> 6, advance);

    // Each further glyph adds one whole-pixel advance, times the horizontal scale.
    const float one = measure(*mono, "X").x;
    EXPECT_FLOAT_EQ(measure(*mono, "XXXX").x, one + 3.0f * advance);
    mono->style.scaleX = 2.0f;
    EXPECT_FLOAT_EQ(measure(*mono, "XXXX").x, 2.0f * one + 6.0f * advance);
}

TEST_F(TextTest, MeasuringFollowsTheLayoutRules)
{
    EXPECT_EQ(measure(*mono, ""), glm::vec2(0.0f));
    // A zero byte ends the text; '\r' neither moves the pen nor draws.
    EXPECT_EQ(measure(*mono, std::string("AB\0CD", 5)), measure(*mono, "AB"));
    EXPECT_EQ(measure(*mono, "A\rB"), measure(*mono, "AB"));
    // Bytes outside 0..127 are drawn as '?'.
    EXPECT_EQ(measure(*mono, "\xE9"), measure(*mono, "?"));

    // The start point is always inside the box.
    const Character& dot = mono->glyphs.at('.');
    ASSERT_GT(dot.bearing.x, 0);
    EXPECT_FLOAT_EQ(measure(*mono, ".", 100.0f, 100.0f).x, static_cast<float>(dot.bearing.x + dot.size.x));

    // Lines are pixel size x scaleY x line spacing apart: 48 x 2 x 1.5 = 144.
    mono->style.scaleY = 2.0f;
    mono->style.lineSpacing = 1.5f;
    EXPECT_FLOAT_EQ(measure(*mono, "AB\nD").y - measure(*mono, "AB").y, 144.0f);
}

TEST_F(TextTest, TabsGoToTheNthStopOfTheLine)
{
    mono->style.tabWidth = 200.0f;
    const glm::vec2 alone = measure(*mono, "\tX");
    EXPECT_EQ(measure(*mono, "abc\tX").x, alone.x);
    EXPECT_FLOAT_EQ(measure(*mono, "\t\tX").x, alone.x + 200.0f);
    // A line break starts counting again.
    EXPECT_EQ(measure(*mono, "ab\n\tX").x, alone.x);
    mono->style.scaleX = 0.5f;
    EXPECT_FLOAT_EQ(measure(*mono, "\t\tX").x - measure(*mono, "\tX").x, 100.0f);
}

TEST_F(TextTest, LowerCaseFactorShortensOnlyLowerCase)
{
    const float upper = measure(*mono, "X").y;
    const float lower = measure(*mono, "x").y;
    mono->style.lowerCaseFactor = 0.75f;
    EXPECT_EQ(measure(*mono, "X").y, upper);
    EXPECT_NEAR(measure(*mono, "x").y, 0.75f * lower, 1.0f);
    EXPECT_LT(measure(*mono, "x").y, lower - 4.0f);

    // restoreStyle returns to the saved default.
    mono->restoreStyle();
    EXPECT_EQ(measure(*mono, "x").y, lower);
    EXPECT_EQ(mono->style.lowerCaseFactor, 0.0f);
}

TEST_F(TextTest, DrawsInItsColourInsideTheMeasuredBox)
{
    OffscreenTarget target(320, 160);
    mono->setProjection(target.width, target.height);
    mono->style.color = glm::vec3(1.0f, 1.0f, 0.0f);
    glm::vec2 size(0.0f);
    mono->render(&size, false, 20.0f, 40.0f, "Kq7");
    const auto pixels = target.read();
    target.keep(pixels, "text_kq7");

    const LitBox box = litBox(pixels, target.width, target.height, 0, 100);
    ASSERT_FALSE(box.empty());
    // Glyph bitmaps sit on the baseline and inside the measured size.
    EXPECT_GE(box.minX, 20);
    EXPECT_LE(box.maxX, 20 + static_cast<int>(size.x) + 1);
    EXPECT_LT(box.minY, 40);          // 'q' descends below the baseline
    EXPECT_GT(box.maxY, 40 + 30);     // 'K' rises well above it
    EXPECT_LE(box.maxY - box.minY, static_cast<int>(size.y) + 1);
    // Yellow, not flipped: the lit pixels of 'K' start at its top.
    size_t yellow = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] > 200 && pixels[i + 1] > 200 && pixels[i + 2] < 30)
            ++yellow;
    EXPECT_GT(yellow, 200u);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // renderTop puts the top of the first line at y.
    glClear(GL_COLOR_BUFFER_BIT);
    mono->renderTop(nullptr, 20.0f, 150.0f, "H");
    const LitBox top = litBox(target.read(), target.width, target.height, 0, 100);
    ASSERT_FALSE(top.empty());
    EXPECT_LE(top.maxY, 150);
    EXPECT_GE(top.maxY, 150 - 14);
    mono->onResize();
}

TEST_F(TextTest, MessagesScaleToTheWindowAndCentreOnTheirPoint)
{
    const int savedWidth = gWindowWidth, savedHeight = gWindowHeight;
    MessageList list;
    gWindowWidth = 1280;
    gWindowHeight = 768;
    list.add(mono.get(), glm::vec3(0.0f, 1.0f, 0.0f), 1.0f, "Brightness 115%", 0.5f, 0.5f, 1.0f,
             MessageId::Brightness);
    ASSERT_EQ(list.messages().size(), 1u);
    EXPECT_EQ(list.messages()[0]->style.scaleX, 1.0f);

    // Drawn around the window centre, in its own colour, whatever style the font had.
    OffscreenTarget target(1280, 768);
    mono->setProjection(1280, 768);
    mono->style.color = glm::vec3(1.0f, 0.0f, 0.0f);
    mono->style.scaleX = 3.0f;
    list.draw();
    const auto pixels = target.read();
    target.keep(pixels, "message_centre");
    const LitBox green = litBox(pixels, 1280, 768, 1, 128);
    ASSERT_FALSE(green.empty());
    EXPECT_TRUE(litBox(pixels, 1280, 768, 0, 128).empty());
    EXPECT_NEAR((green.minX + green.maxX) / 2.0, 640.0, 4.0);
    EXPECT_NEAR((green.minY + green.maxY) / 2.0, 384.0, 12.0);
    EXPECT_EQ(mono->style.scaleX, 1.0f); // the font keeps the message's style

    // Twice the design screen: twice the scale, fixed when the message is added.
    gWindowWidth = 2560;
    gWindowHeight = 1536;
    list.add(mono.get(), glm::vec3(0.0f, 1.0f, 0.0f), 1.0f, "Brightness 120%", 0.5f, 0.5f, 1.0f,
             MessageId::Brightness);
    ASSERT_EQ(list.messages().size(), 1u);
    EXPECT_EQ(list.messages()[0]->style.scaleX, 2.0f);
    EXPECT_EQ(list.messages()[0]->style.scaleY, 2.0f);
    gWindowWidth = savedWidth;
    gWindowHeight = savedHeight;
    mono->onResize();
}
