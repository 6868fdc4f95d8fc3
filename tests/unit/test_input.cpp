#include "audio/AudioSettings.h"
#include "level/Game.h"
#include "app/Globals.h"
#include "app/Menu.h"
#include "screen/MessageList.h"
#include "app/Window.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

// The key callback driven directly, without a window: only keys that do not reach
// into OpenGL are used here.
class KeyCallbackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gMessages.clear();
        gMasterVolume = 1.0f;
        gMasterVolumeMax = 1.0f;
        gSoundMuted = false;
        gBrightness = 1.0f;
        gBrightnessChanged = false;
        gDevKeysEnabled = false;
        gAllowDevKeys = true;
        gMenuActive = false;
        gShowFps = false;
        gFullscreen = gFullscreenRequested = false;
        testing::internal::CaptureStdout();
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStdout();
        gMessages.clear();
        gMenuActive = false;
    }
    static void press(int key, int mods = 0, int action = GLFW_PRESS)
    {
        keyCallback(nullptr, key, 0, action, mods);
    }
    static std::string lastMessage()
    {
        return gMessages.messages().empty() ? "" : gMessages.messages().back()->text;
    }
};

TEST_F(KeyCallbackTest, VolumeStepsMuteAndPercentOfTheMaximum)
{
    gMasterVolume = 0.8f;
    press(GLFW_KEY_F5);
    for (int i = 0; i < 10; ++i)
        press(GLFW_KEY_F5, 0, GLFW_REPEAT);
    EXPECT_FLOAT_EQ(gMasterVolume, 1.0f);
    EXPECT_EQ(lastMessage(), "Sound volume 100%");
    EXPECT_EQ(gMessages.messages().size(), 1u);

    press(GLFW_KEY_F5, GLFW_MOD_SHIFT);
    EXPECT_FLOAT_EQ(gMasterVolume, 0.95f);
    EXPECT_EQ(lastMessage(), "Sound volume 95%");
    for (int i = 0; i < 30; ++i)
        press(GLFW_KEY_F5, GLFW_MOD_SHIFT, GLFW_REPEAT);
    EXPECT_FLOAT_EQ(gMasterVolume, 0.0f);
    press(GLFW_KEY_F5, 0, GLFW_RELEASE);
    EXPECT_FLOAT_EQ(gMasterVolume, 0.0f);

    gMasterVolumeMax = 2.0f;
    gMasterVolume = 1.0f;
    press(GLFW_KEY_F5);
    EXPECT_EQ(lastMessage(), "Sound volume 52%");

    gMasterVolumeMax = gMasterVolume = 1.0f;
    press(GLFW_KEY_F5, GLFW_MOD_CONTROL);
    EXPECT_TRUE(gSoundMuted);
    EXPECT_EQ(lastMessage(), "Sound off");
    press(GLFW_KEY_F5, GLFW_MOD_SHIFT);
    EXPECT_TRUE(gSoundMuted);
    EXPECT_FLOAT_EQ(gMasterVolume, 0.95f);
    press(GLFW_KEY_F5, GLFW_MOD_CONTROL);
    EXPECT_FALSE(gSoundMuted);
    EXPECT_EQ(lastMessage(), "Sound on");
}

TEST_F(KeyCallbackTest, BrightnessStepsAndReset)
{
    press(GLFW_KEY_F10);
    press(GLFW_KEY_F10);
    press(GLFW_KEY_F10);
    EXPECT_NEAR(gBrightness, 1.15f, 1e-6f);
    EXPECT_TRUE(gBrightnessChanged);
    press(GLFW_KEY_F10, GLFW_MOD_SHIFT);
    EXPECT_NEAR(gBrightness, 1.10f, 1e-6f);
    press(GLFW_KEY_F10, GLFW_MOD_CONTROL | GLFW_MOD_SHIFT);
    EXPECT_FLOAT_EQ(gBrightness, 1.0f);
}

TEST_F(KeyCallbackTest, AltEnterRequestsTheOtherModeAndF3TogglesFps)
{
    press(GLFW_KEY_ENTER);
    EXPECT_FALSE(gFullscreenRequested);
    press(GLFW_KEY_ENTER, GLFW_MOD_ALT);
    EXPECT_TRUE(gFullscreenRequested);
    gFullscreen = true;
    press(GLFW_KEY_ENTER, GLFW_MOD_ALT);
    EXPECT_FALSE(gFullscreenRequested);

    gFpsText = " FPS: 60";
    press(GLFW_KEY_F3);
    EXPECT_TRUE(gShowFps);
    EXPECT_EQ(gFpsText, "");
    press(GLFW_KEY_F3);
    EXPECT_FALSE(gShowFps);
}

TEST_F(KeyCallbackTest, DeveloperKeysNeedThreeQuickBackquotesWhenAllowed)
{
    onBackquotePress(10.0f);
    onBackquotePress(10.5f);
    onBackquotePress(11.0f);
    EXPECT_TRUE(gDevKeysEnabled);
    EXPECT_EQ(lastMessage(), "Developer keys enabled");

    onBackquotePress(20.0f);
    onBackquotePress(21.2f);
    onBackquotePress(22.4f);
    EXPECT_TRUE(gDevKeysEnabled);

    onBackquotePress(22.9f);
    onBackquotePress(23.5f);
    EXPECT_FALSE(gDevKeysEnabled);
    EXPECT_EQ(lastMessage(), "Developer keys disabled");

    gAllowDevKeys = false;
    for (int i = 0; i < 6; ++i)
        press(GLFW_KEY_GRAVE_ACCENT);
    EXPECT_FALSE(gDevKeysEnabled);
}

TEST_F(KeyCallbackTest, F4NeedsDeveloperKeys)
{
    const bool culling = gGame.m_viewFrustumCulling;
    press(GLFW_KEY_F4);
    EXPECT_EQ(gGame.m_viewFrustumCulling, culling);
    gDevKeysEnabled = true;
    press(GLFW_KEY_F4);
    EXPECT_EQ(gGame.m_viewFrustumCulling, !culling);
    press(GLFW_KEY_F4, GLFW_MOD_SHIFT);
    EXPECT_FALSE(gGame.m_cullPerEntity);
    press(GLFW_KEY_F4);
    press(GLFW_KEY_F4, GLFW_MOD_SHIFT);
    EXPECT_EQ(gGame.m_viewFrustumCulling, culling);
}

TEST_F(KeyCallbackTest, EscapeInTheGamePausesIntoTheMenuWithResume)
{
    Menu menu(false);
    gMenu = &menu;
    gGame.m_initialized = true; // as if a level were loaded
    press(GLFW_KEY_ESCAPE);
    EXPECT_TRUE(gMenuActive);
    EXPECT_TRUE(gGame.m_paused);
    EXPECT_FALSE(gGame.m_cursorCaptured);
    EXPECT_EQ(menu.m_selected, MENU_RESUME);
    EXPECT_TRUE(menu.m_items[MENU_RESUME].enabled);

    press(GLFW_KEY_ESCAPE);
    EXPECT_TRUE(menu.m_done);
    EXPECT_EQ(menu.m_exit_status, MENU_RESUME);
    gGame.m_initialized = false;
    gMenu = nullptr;
}

TEST_F(KeyCallbackTest, MenuKeysNavigateAndAltEnterDoesNotChoose)
{
    Menu menu(false);
    gMenu = &menu;
    gMenuActive = true;
    openMenu(false);
    press(GLFW_KEY_ENTER, GLFW_MOD_ALT);
    EXPECT_FALSE(menu.m_done);
    EXPECT_TRUE(gFullscreenRequested);
    press(GLFW_KEY_DOWN);
    press(GLFW_KEY_ENTER);
    EXPECT_TRUE(menu.m_done);
    EXPECT_EQ(menu.m_exit_status, MENU_LEVEL_2);
    gMenu = nullptr;
}

TEST(MenuNavigation, KeysSkipTheHiddenResumeAndColumnsNeverWrap)
{
    struct Case {
        const char* what;
        bool resumeShown;
        int from;
        void (Menu::*move)();
        int expected;
    };
    const Case cases[] = {
        {"up from the first item wraps to EXIT", false, 0, &Menu::moveUp, 5},
        {"down from CONTROLS skips the hidden RESUME", false, 3, &Menu::moveDown, 5},
        {"down from EXIT wraps to the first item", false, 5, &Menu::moveDown, 0},
        {"up from EXIT reaches a shown RESUME", true, 5, &Menu::moveUp, 4},
        {"right from level 3 goes to EXIT", false, 2, &Menu::moveRight, 5},
        {"right from CONTROLS stays", false, 3, &Menu::moveRight, 3},
        {"right from level 2 refuses the hidden RESUME", false, 1, &Menu::moveRight, 1},
        {"right from level 2 reaches a shown RESUME", true, 1, &Menu::moveRight, 4},
        {"left from RESUME goes to level 2", true, 4, &Menu::moveLeft, 1},
        {"left from the first column stays", true, 0, &Menu::moveLeft, 0},
    };
    for (const Case& c : cases) {
        Menu menu(false);
        menu.m_items[MENU_RESUME].selectable = menu.m_items[MENU_RESUME].enabled = c.resumeShown;
        menu.m_selected = c.from;
        (menu.*c.move)();
        EXPECT_EQ(menu.m_selected, c.expected) << c.what;
    }
}

TEST(MenuNavigation, ControlsIsShownButNeverChosen)
{
    Menu menu(false);
    menu.m_selected = 3;
    menu.choose();
    EXPECT_FALSE(menu.m_done);
    menu.m_selected = 5;
    menu.choose();
    EXPECT_TRUE(menu.m_done);
    EXPECT_EQ(menu.m_exit_status, MENU_EXIT);
}

TEST(MenuNavigation, AClickCountsOnlyAfterTheCursorMovedOntoTheItem)
{
    Menu menu(false);
    menu.m_items[1].rect = glm::vec4(100.0f, 100.0f, 200.0f, 40.0f);
    // The menu opens with the cursor resting on "LEVEL 2".
    menu.pointerMoved(150.0, 120.0, false, -1.0f);
    menu.pointerMoved(150.0, 120.0, true, 0.016f);
    menu.pointerMoved(151.0, 120.0, true, 0.016f);
    EXPECT_FALSE(menu.m_done);
    EXPECT_EQ(menu.m_selected, 0);
    menu.pointerMoved(152.5, 120.0, true, 0.016f);
    EXPECT_TRUE(menu.m_done);
    EXPECT_EQ(menu.m_exit_status, MENU_LEVEL_2);

    // Opened again and "LEVEL 2" selected by keys: a click without moving does nothing.
    menu.m_done = false;
    menu.pointerMoved(152.5, 120.0, false, -1.0f);
    menu.m_selected = 1;
    menu.pointerMoved(152.5, 120.0, true, 0.016f);
    EXPECT_FALSE(menu.m_done);
}

TEST(MenuNavigation, CreditsStripScrollsOneStepPerFrameAndWraps)
{
    Menu menu(false);
    menu.m_last_time = 0.0f;
    menu.advanceScroll(1.0f / 60.0f);
    EXPECT_FLOAT_EQ(menu.m_scroll, 0.0008f);
    menu.advanceScroll(0.01f + 1.0f / 60.0f); // 10 ms later: no step yet
    EXPECT_FLOAT_EQ(menu.m_scroll, 0.0008f);
    menu.advanceScroll(0.5f); // a long frame still makes only one step
    EXPECT_FLOAT_EQ(menu.m_scroll, 0.0016f);
    menu.m_scroll = 0.9996f;
    menu.m_scroll_time = 0.0f;
    menu.advanceScroll(0.52f);
    EXPECT_NEAR(menu.m_scroll, 0.0004f, 1e-6f);
}
