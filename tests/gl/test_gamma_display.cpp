#include "GlTest.h"

#include "platform/Gamma.h"

#include <vector>

// The ramp is checked by reading it back from the X server: Xvfb keeps the ramp but
// does not change its pixels with it.
TEST_F(GlTest, GammaRampIsAppliedAndRestoredOnThePrimaryMonitor)
{
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    ASSERT_NE(monitor, nullptr);
    const GLFWgammaramp* original = glfwGetGammaRamp(monitor);
    if (!original || original->size == 0)
        GTEST_SKIP() << "display has no gamma ramp";
    const std::vector<unsigned short> before(original->red, original->red + original->size);
    const int size = static_cast<int>(original->size);

    setGammaGlfwAlive(true);
    applyGammaCorrection(1.0f);
    std::uint16_t expected256[GAMMA_RAMP_SIZE];
    computeGammaRamp(1.0f, expected256);
    const std::vector<std::uint16_t> expected = resampleRamp(expected256, GAMMA_RAMP_SIZE, size);
    const GLFWgammaramp* applied = glfwGetGammaRamp(monitor);
    ASSERT_NE(applied, nullptr);
    ASSERT_EQ(static_cast<int>(applied->size), size);
    for (int i = 0; i < size; ++i) {
        ASSERT_EQ(applied->red[i], expected[i]) << i;
        ASSERT_EQ(applied->blue[i], expected[i]) << i;
    }

    // A second apply keeps the first saved ramp, so restore still brings back the original.
    applyGammaCorrection(0.0f);
    restoreGammaCorrection();
    const GLFWgammaramp* restored = glfwGetGammaRamp(monitor);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(std::vector<unsigned short>(restored->red, restored->red + restored->size), before);
}
