// The game's per-frame update and its key and mouse handling, driven without a window
// or GL context: the lander flies without its models.
#include "level/Game.h"
#include "app/Globals.h"
#include "lander/Player.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const float STEP = 1.0f / 60.0f;

class GameUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        gGravityEnabled = true;
        gDecayAngularVelocity = true;
        gDevKeysEnabled = false;
        game.m_initialized = true;
        game.m_player = new Player(false);
        game.m_player->startPosition = glm::vec3(0.0f, 100.0f, 0.0f);
        game.m_player->reset();
        game.m_level.target_helium = 600;
        game.m_level.target_height = 500.0f;
        game.m_camera.saveResetState();
    }
    void TearDown() override
    {
        delete game.m_player;
        game.m_player = nullptr;
        game.m_initialized = false;
        gGravityEnabled = true;
        gDecayAngularVelocity = true;
        gDevKeysEnabled = false;
    }

    void press(int key, int mods = 0) { game.onKey(key, 0, GLFW_PRESS, mods); }

    Game game;
};

} // namespace

TEST_F(GameUpdate, FixedStepsWithoutBacklog)
{
    Player& p = *game.m_player;
    game.m_stepClock.reset();
    game.update(STEP);
    const glm::vec3 afterOne = p.state.position;
    EXPECT_LT(afterOne.y, 100.0f);
    EXPECT_EQ(game.m_camera.focus, afterOne);

    // 10 ms after the clock was used up: nothing at all, not even the camera.
    game.m_camera.focus = glm::vec3(7.0f);
    game.update(0.01f);
    EXPECT_EQ(p.state.position, afterOne);
    EXPECT_EQ(game.m_camera.focus, glm::vec3(7.0f));

    // 100 ms: one step, and less than one step left over.
    game.update(0.1f);
    EXPECT_LT(p.state.position.y, afterOne.y);
    EXPECT_LT(game.m_stepClock.backlog(), STEP);
    EXPECT_EQ(game.m_camera.focus, p.state.position);

    // While paused the lander stands still but the camera still follows.
    game.m_paused = true;
    const glm::vec3 held = p.state.position;
    game.m_camera.focus = glm::vec3(0.0f);
    for (int i = 0; i < 10; ++i)
        game.update(STEP);
    EXPECT_EQ(p.state.position, held);
    EXPECT_EQ(game.m_camera.focus, held);
}

TEST_F(GameUpdate, HeliumTargetSeparatesAfterTheCountdownAndTheClimbWins)
{
    Player& p = *game.m_player;
    gGravityEnabled = false;
    p.helium = 600;
    game.update(STEP);
    EXPECT_TRUE(game.m_separationPending);
    EXPECT_NEAR(game.m_separationTimer, 11.5f - STEP, 1e-5f);
    EXPECT_FALSE(game.isPlayerControllable());

    int steps = 1;
    while (!p.split && steps < 2000) {
        game.update(STEP);
        ++steps;
    }
    EXPECT_EQ(steps, 691); // 11.5 s of 1/60 s steps, then the step that goes below 0
    EXPECT_FALSE(game.m_separationPending);
    EXPECT_NEAR(p.state.velocity.y, 5.0f, 1e-4f);
    EXPECT_TRUE(game.isPlayerControllable());

    // The camera glides from the old centre to the top stage within the second.
    EXPECT_NEAR(game.m_camera.focus.y, p.state.position.y - 1.1865f, 0.1f);
    EXPECT_FALSE(game.m_missionAccomplished);
    p.state.position.y = 501.0f;
    game.update(STEP);
    EXPECT_TRUE(game.m_missionAccomplished);
    // Accomplished: the world stands still.
    const glm::vec3 done = p.state.position;
    game.update(STEP);
    EXPECT_EQ(p.state.position, done);
}

TEST_F(GameUpdate, CrashViewHoldsThenSwingsOverTheWreck)
{
    CrashZoom& z = game.m_crashZoom;
    game.m_camera.phi = z.startPhi = 0.2f;
    game.m_camera.r = z.startRadius = 12.0f;
    z.targetPhi = 0.2f + 3.1415927f;
    z.targetRadius = 2500.0f;
    z.crashTime = z.duration;
    for (int i = 0; i < 29; ++i)
        game.updateCrashView(STEP);
    EXPECT_FLOAT_EQ(game.m_camera.phi, 0.2f); // held for half a second
    for (int i = 0; i < 75; ++i)
        game.updateCrashView(STEP);
    EXPECT_NEAR(game.m_camera.r, 12.0f + (2500.0f - 12.0f) * 0.5f, 30.0f); // half way 1.25 s later
}

TEST_F(GameUpdate, ZoomByWheelNotches)
{
    game.m_camera.r = 10.0f;
    game.m_camera.min_rad = 4.0f;
    game.m_camera.max_rad = 50.0f;
    game.m_scroll = 1.0f;
    game.processInput(STEP);
    EXPECT_FLOAT_EQ(game.m_camera.r, 9.5f);
    EXPECT_EQ(game.m_scroll, 0.0f);
    game.m_camera.r = 10.0f;
    game.m_scroll = -1.0f;
    game.processInput(STEP);
    EXPECT_FLOAT_EQ(game.m_camera.r, 10.5f);
    game.m_camera.r = 10.0f;
    game.m_scroll = 100.0f;
    game.processInput(STEP);
    EXPECT_FLOAT_EQ(game.m_camera.r, 4.0f);
    // A level not yet started ignores the wheel.
    game.m_scroll = 1.0f;
    game.processInput(-1.0f);
    EXPECT_EQ(game.m_scroll, 1.0f);
}

TEST_F(GameUpdate, KeyCommands)
{
    testing::internal::CaptureStdout();
    Player& p = *game.m_player;

    // Developer keys do nothing without the developer switch; the helium cheat never
    // fills the store beyond its size.
    press(GLFW_KEY_H, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL);
    EXPECT_EQ(p.helium, 0u);
    gDevKeysEnabled = true;
    for (int i = 0; i < 7; ++i)
        press(GLFW_KEY_H, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL);
    EXPECT_EQ(p.helium, PLAYER_MAX_HELIUM);

    // Digit 0 turns every pass back on except the lens flare.
    press(GLFW_KEY_7, GLFW_MOD_SHIFT);
    press(GLFW_KEY_1);
    press(GLFW_KEY_H);
    press(GLFW_KEY_3, GLFW_MOD_CONTROL);
    EXPECT_FALSE(game.m_renderPass[RENDER_PASS_PLAYER]);
    EXPECT_FALSE(game.m_renderPass[RENDER_PASS_HUD]);
    EXPECT_FALSE(game.m_renderModelType[3]);
    press(GLFW_KEY_0);
    EXPECT_TRUE(game.m_renderPass[RENDER_PASS_PLAYER]);
    EXPECT_TRUE(game.m_renderPass[RENDER_PASS_HUD]);
    EXPECT_TRUE(game.m_renderModelType[3]);
    EXPECT_FALSE(game.m_renderPass[RENDER_PASS_LENS_FLARE]);

    // The end screen ignores every key; on the loading screen a key only leaves it.
    game.m_endSequence = true;
    press(GLFW_KEY_P);
    EXPECT_FALSE(game.m_paused);
    game.m_endSequence = false;
    game.m_loadingScreen = true;
    press(GLFW_KEY_P);
    EXPECT_FALSE(game.m_paused);
    EXPECT_FALSE(game.m_loadingScreen);

    // Restart while separated joins the stages again.
    press(GLFW_KEY_KP_SUBTRACT, GLFW_MOD_SHIFT);
    EXPECT_TRUE(p.split);
    press(GLFW_KEY_R);
    EXPECT_FALSE(p.split);
    EXPECT_EQ(p.state.position, p.startPosition);

    EXPECT_NE(testing::internal::GetCapturedStdout().find("CHEAT: Helium = 3600"), std::string::npos);
}

TEST_F(GameUpdate, EndScreenHoldsSixteenSecondsThenFadesToBlackFrameByFrame)
{
    // As N sets it after level 3; the timers run in frames of 1/60 s, not on the clock.
    game.m_endSequence = true;
    game.m_endScreenHold = 16.0f;
    game.m_endScreenFade = game.m_endScreenFadeDuration;
    game.m_stepClock.reset();
    auto seconds = [](int frames) { return frames / 60.0f; };
    int frame = 0;
    for (; seconds(frame) < 15.9f; ++frame) {
        game.update(STEP);
        ASSERT_EQ(game.endScreenFadeAlpha(), 0.0f) << "frame " << frame;
    }
    for (; seconds(frame) < 18.5f; ++frame)
        game.update(STEP);
    EXPECT_NEAR(game.endScreenFadeAlpha(), 0.5f, 0.02f);
    for (; !game.m_nextLevelRequested && frame < 30 * 60; ++frame)
        game.update(STEP);
    EXPECT_NEAR(seconds(frame), 21.0f, 0.05f);
    EXPECT_EQ(game.endScreenFadeAlpha(), 1.0f);
}

TEST_F(GameUpdate, KeypadMovesTheLander)
{
    testing::internal::CaptureStdout();
    gDevKeysEnabled = true;
    Player& p = *game.m_player;
    glm::vec3 forward, right, up;
    game.m_camera.getAxes(&forward, &right, &up);

    const glm::vec3 start = p.state.position;
    press(GLFW_KEY_KP_8);
    EXPECT_NEAR(glm::length(p.state.position - (start + 10.0f * forward)), 0.0f, 1e-4f);
    game.onKey(GLFW_KEY_KP_8, 0, GLFW_REPEAT, 0);
    EXPECT_NEAR(glm::length(p.state.position - (start + 20.0f * forward)), 0.0f, 1e-4f);
    press(GLFW_KEY_KP_8, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL);
    EXPECT_NEAR(glm::length(p.state.position - (start + 21.0f * forward)), 0.0f, 1e-4f);
    EXPECT_EQ(game.m_camera.focus, p.state.position);

    // Absolute mode: keypad 9 is straight up, Alt makes it a tenth.
    const glm::vec3 held = p.state.position;
    press(GLFW_KEY_KP_5);
    press(GLFW_KEY_KP_9, GLFW_MOD_ALT);
    EXPECT_NEAR(p.state.position.y, held.y + 0.1f, 1e-4f);
    press(GLFW_KEY_KP_5);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Debug movement: absolute"), std::string::npos);
}
