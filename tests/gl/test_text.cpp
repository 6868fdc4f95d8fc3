#include "screen/Font.h"
#include "platform/FrameGlobals.h"
#include "screen/MessageList.h"
#include "GameGl.h"
#include "unit/TempDir.h"

#include "platform/AssetFiles.h"

#include <memory>

namespace {

class TextTest : public GameGlTest {
protected:
    void SetUp() override
    {
        GameGlTest::SetUp();
        mono = std::make_unique<Font>("unispace.ttf", 48);
        mono->saveStyle();
    }
    void TearDown() override
    {
        mono.reset();
        GameGlTest::TearDown();
    }
    glm::vec2 measure(const std::string& text, float x = 0.0f, float y = 0.0f)
    {
        glm::vec2 size(-1.0f);
        mono->render(&size, true, x, y, text);
        return size;
    }
    std::unique_ptr<Font> mono;
};

} // namespace

TEST_F(TextTest, MeasuringFollowsTheLayoutRules)
{
    ASSERT_EQ(mono->glyphs.size(), 128u);
    EXPECT_EQ(measure(""), glm::vec2(0.0f));
    // Whole-pixel advances, times the horizontal scale.
    const float advance = static_cast<float>(mono->glyphs.at('M').advance >> 6);
    const float one = measure("X").x;
    EXPECT_FLOAT_EQ(measure("XXXX").x, one + 3.0f * advance);
    mono->style.scaleX = 2.0f;
    EXPECT_FLOAT_EQ(measure("XXXX").x, 2.0f * one + 6.0f * advance);
    mono->restoreStyle();

    // A zero byte ends the text, '\r' is skipped, bytes above 127 are drawn as '?'.
    EXPECT_EQ(measure(std::string("AB\0CD", 5)), measure("AB"));
    EXPECT_EQ(measure("A\rB"), measure("AB"));
    EXPECT_EQ(measure("\xE9"), measure("?"));
    // The start point is always inside the box.
    const Character& dot = mono->glyphs.at('.');
    EXPECT_FLOAT_EQ(measure(".", 100.0f, 100.0f).x, static_cast<float>(dot.bearing.x + dot.size.x));

    // Lines are pixel size x scaleY x line spacing apart: 48 x 2 x 1.5 = 144.
    mono->style.scaleY = 2.0f;
    mono->style.lineSpacing = 1.5f;
    EXPECT_FLOAT_EQ(measure("AB\nD").y - measure("AB").y, 144.0f);
    mono->restoreStyle();

    // The n-th tab of a line goes to the n-th stop, wherever the pen was.
    mono->style.tabWidth = 200.0f;
    EXPECT_EQ(measure("abc\tX").x, measure("\tX").x);
    EXPECT_EQ(measure("ab\n\tX").x, measure("\tX").x);
    mono->style.scaleX = 0.5f;
    EXPECT_FLOAT_EQ(measure("\t\tX").x - measure("\tX").x, 100.0f);
}

TEST_F(TextTest, BitmapFontGlyphsBecomeGreyTexels)
{
    // A BDF font saved under a font's name: its glyphs come as 1-bit rows, two bytes
    // wide for this 10-pixel 'A'. Each set bit must become one full texel.
    const char* rows[] = {"0C00", "1200", "2100", "4080", "7F80", "4080", "4080", "0000"};
    std::string bdf = "STARTFONT 2.1\nFONT -test-fixed-medium-r-normal--8-80-75-75-c-100-iso10646-1\n"
                      "SIZE 8 75 75\nFONTBOUNDINGBOX 10 8 0 0\nSTARTPROPERTIES 3\nFONT_ASCENT 8\n"
                      "FONT_DESCENT 0\nDEFAULT_CHAR 65\nENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\n"
                      "SWIDTH 600 0\nDWIDTH 10 0\nBBX 10 8 0 0\nBITMAP\n";
    for (const char* row : rows)
        bdf += std::string(row) + "\n";
    bdf += "ENDCHAR\nENDFONT\n";
    TempDir dir;
    dir.write("fonts/fixed.ttf", bdf);
    const std::string savedAssets = gAssetsDir;
    gAssetsDir = dir.path().string();
    Font font("fixed.ttf", 8);
    gAssetsDir = savedAssets;

    const Character& a = font.glyphs.at('A');
    ASSERT_EQ(a.size, glm::ivec2(10, 8));
    std::vector<unsigned char> texels(80, 1);
    glBindTexture(GL_TEXTURE_2D, a.texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int y = 0; y < 8; ++y) {
        const unsigned long bits = std::stoul(rows[y], nullptr, 16);
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(texels[y * 10 + x], (bits >> (15 - x)) & 1 ? 255 : 0) << "row " << y << ", column " << x;
    }
}

TEST_F(TextTest, LowerCaseFactorShortensOnlyLowerCase)
{
    const float upper = measure("X").y;
    const float lower = measure("x").y;
    mono->style.lowerCaseFactor = 0.75f;
    EXPECT_EQ(measure("X").y, upper);
    EXPECT_NEAR(measure("x").y, 0.75f * lower, 1.0f);
    mono->restoreStyle();
    EXPECT_EQ(measure("x").y, lower);
}

TEST_F(TextTest, DrawsInItsColourOnTheBaselineOrBelowTheTop)
{
    OffscreenTarget target(320, 160);
    mono->setProjection(target.width, target.height);
    mono->style.color = glm::vec3(1.0f, 1.0f, 0.0f);
    glm::vec2 size(0.0f);
    mono->render(&size, false, 20.0f, 40.0f, "Kq7");
    auto pixels = target.read();
    LitBox box = target.lit(pixels, 0, 100);
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(target.lit(pixels, 2, 30).maxX, -1); // yellow: no blue at all
    EXPECT_GE(box.minX, 20);
    EXPECT_LE(box.maxX, 20 + static_cast<int>(size.x) + 1);
    EXPECT_LT(box.minY, 40);      // 'q' descends below the baseline
    EXPECT_GT(box.maxY, 40 + 30); // 'K' rises well above it
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // The top of the first line at y, glyphs the right way up: the bar of the T on top.
    glClear(GL_COLOR_BUFFER_BIT);
    mono->renderTop(nullptr, 20.0f, 150.0f, "T");
    pixels = target.read();
    box = target.lit(pixels, 0, 100);
    EXPECT_LE(box.maxY, 150);
    EXPECT_GE(box.maxY, 150 - 14);
    auto rowWidth = [&](int y) {
        int count = 0;
        for (int x = 0; x < target.width; ++x)
            count += target.at(pixels, x, y)[0] > 100;
        return count;
    };
    EXPECT_GT(rowWidth(box.maxY - 1), 2 * rowWidth(box.minY + 1));
    mono->onResize();
}

TEST_F(TextTest, MessagesScaleToTheWindowAndCentreOnTheirPoint)
{
    const int savedWidth = gWindowWidth, savedHeight = gWindowHeight;
    gWindowWidth = 1280;
    gWindowHeight = 768;
    MessageList list;
    list.add(mono.get(), glm::vec3(0.0f, 1.0f, 0.0f), 1.0f, "Brightness 115%", 0.5f, 0.5f, 1.0f,
             MessageId::Brightness);

    // Drawn around the window centre in its own style, whatever the font had.
    OffscreenTarget target(1280, 768);
    mono->setProjection(1280, 768);
    mono->style.color = glm::vec3(1.0f, 0.0f, 0.0f);
    mono->style.scaleX = 3.0f;
    list.draw();
    const auto pixels = target.read();
    const LitBox green = target.lit(pixels, 1, 128);
    EXPECT_TRUE(target.lit(pixels, 0, 128).empty());
    EXPECT_NEAR((green.minX + green.maxX) / 2.0, 640.0, 4.0);
    EXPECT_NEAR((green.minY + green.maxY) / 2.0, 384.0, 12.0);
    EXPECT_EQ(mono->style.scaleX, 1.0f);

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
