// The game's per-frame update and its key and mouse handling, driven without a window
// or GL context: the lander flies without its models.
#include "SoundTestOutput.h"
#include "TempDir.h"

#include "level/Game.h"
#include "app/Globals.h"
#include "audio/AudioSettings.h"
#include "audio/SoundSystem.h"
#include "lander/Player.h"
#include "level/Heightfield.h"
#include "platform/AssetFiles.h"

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

namespace {

// Radiation with the sound table as tones, so that the voices and the Geiger counter
// played can be told from their channels.
class RadiationUpdate : public GameUpdate {
protected:
    void SetUp() override
    {
        GameUpdate::SetUp();
        soundtest::outputDir();
        savedAssetsDir = gAssetsDir;
        gAssetsDir = dir.path().string();
        soundtest::writeToneTable(dir.path());
        gSoundEnabled = true;
        sound = new SoundSystem();
        gSound = sound;

        game.m_radRateInc = 0.05f;
        game.m_radRateDec = 0.1f;
        game.m_radRateCharge = 0.1f;
        game.m_radMinRadToCharge = 0.5f;
        game.m_radEmpDuration = 1.0f;
        game.m_radMinimap = 0.2f;
        game.m_radStabilizer = 0.4f;
        game.m_radLights = 0.5f;
        game.m_radAuxiliary = 0.6f;
        game.m_radCompass = 0.8f;
        LevelConfig& level = game.m_level;
        level.rad_min_height = 300.0f;
        level.rad_max_height = 600.0f;
        level.space_min_height = 800.0f;
        level.space_max_height = 1100.0f;
        level.min_border = -400.0f;
        level.max_border = 0.0f;
        zone.world_x = zone.world_z = 300.0f;
        zone.world_r1 = 40.0f;
        zone.world_r2 = 15.0f;
        level.radiation_zones.push_back(&zone);
        // 1000 x 1000: the border band starts 100 inside the edge.
        game.m_heightfield = &terrain;
    }
    void TearDown() override
    {
        game.m_level.radiation_zones.clear();
        game.m_heightfield = nullptr;
        gSound = nullptr;
        delete sound;
        gAssetsDir = savedAssetsDir;
        GameUpdate::TearDown();
    }

    // The first voice slot playing, or -1.
    int voiceHeard() const
    {
        for (int slot : {SOUND_RADAR_OFFLINE, SOUND_DAMPING_OFFLINE, SOUND_AUXILIARY_OFFLINE, SOUND_COMPASS_OFFLINE,
                         SOUND_LIGHTS_OFFLINE, SOUND_ALL_SYSTEMS_ONLINE, SOUND_EMPS_RECHARGED})
            if (!sound->isPaused(slot))
                return slot;
        return -1;
    }

    TempDir dir;
    std::string savedAssetsDir;
    SoundSystem* sound = nullptr;
    RadiationZone zone;
    Heightfield terrain{100.0f, 10, 10, 0.0f, 30.0f, 1, 40, 40.0f};
};

struct RadiationCase {
    const char* name;
    glm::vec3 position;
    bool split;
    float radiation, holdTime;
    int chargeMode, empCount;
    float charge;
    void (*tweak)(Game&);
    float dt, hit; // a step, or an EMP hit when dt is 0
    float wantRadiation, wantTarget, wantZones, wantCharge;
    int wantCount, wantVoice;
    float wantGeiger; // 0: silent
};

} // namespace

TEST_F(RadiationUpdate, LevelIntensityChargeVoicesAndGeigerByHand)
{
    // Zone at (300, 300), radii 40 and 15; altitude band 300..600; space 800..1100;
    // S(t) = (3 - 2t) t^2.
    const glm::vec3 centre(0.0f, 50.0f, 0.0f), high(0.0f, 600.0f, 0.0f);
    const auto none = [](Game&) {};
    const RadiationCase cases[] = {
        {"decays where nothing radiates", centre, false, 0.5f, 0, 1, 3, 0, none, 0.1f, 0, 0.49f, 0, 0, 0, 3, -1, 0},
        // a = 0.05: S = 2.9 * 0.0025 = 0.00725
        {"weak radiation still raises", {0, 315, 0}, false, 0, 0, 1, 3, 0, none, 0.1f, 0, 3.625e-5f, 0.00725f, 0, 0,
         3, -1, 0.00725f},
        {"EMP hold keeps the level", centre, false, 0.3f, 0.5f, 1, 3, 0, none, 0.1f, 0, 0.3f, 0, 0, 0, 3, -1, 0},
        {"hold over, decay again", centre, false, 0.3f, 0.05f, 1, 3, 0, none, 0.1f, 0, 0.29f, 0, 0, 0, 3, -1, 0},
        {"0.4 and 0.5 crossed: only the higher voice", high, false, 0.35f, 0, 1, 3, 0,
         [](Game& g) { g.m_radRateInc = 2.0f; }, 0.1f, 0, 0.55f, 1, 0, 0, 3, SOUND_LIGHTS_OFFLINE, 1},
        {"all clear below the lowest", centre, false, 0.205f, 0, 1, 3, 0, none, 0.1f, 0, 0.195f, 0, 0, 0, 3,
         SOUND_ALL_SYSTEMS_ONLINE, 0},
        {"never above a threshold: silence", centre, false, 0.15f, 0, 1, 3, 0, none, 0.1f, 0, 0.14f, 0, 0, 0, 3, -1,
         0},
        {"mode 0 charges by intensity", high, false, 0, 0, 0, 2, 0, none, 0.1f, 0, 0.005f, 1, 0, 0.01f, 2, -1, 1},
        {"mode 1 charges by level", centre, false, 0.6f, 0, 1, 2, 0, none, 0.1f, 0, 0.59f, 0, 0, 0.01f, 2, -1, 0},
        {"mode 1, level too low", high, false, 0, 0, 1, 2, 0, none, 0.1f, 0, 0.005f, 1, 0, 0, 2, -1, 1},
        // border 200 / 400 on both axes: S = 0.5 twice, plus the zone's 1
        {"mode 2 charges in a zone", {300, 50, 300}, false, 0, 0, 2, 2, 0, none, 0.1f, 0, 0.005f, 1, 1, 0.01f, 2,
         -1, 1},
        {"mode 2 outside the zones", high, false, 0, 0, 2, 2, 0, none, 0.1f, 0, 0.005f, 1, 0, 0, 2, -1, 1},
        {"unknown mode never charges", high, false, 0, 0, 7, 2, 0, none, 0.1f, 0, 0.005f, 1, 0, 0, 2, -1, 1},
        {"all bombs ready: no charge", high, false, 0, 0, 0, 3, 0, none, 0.1f, 0, 0.005f, 1, 0, 0, 3, -1, 1},
        {"the last bomb recharged", high, false, 0, 0, 0, 2, 0.995f, none, 0.1f, 0, 0.005f, 1, 0, 0, 3,
         SOUND_EMPS_RECHARGED, 1},
        {"space, half way out", {0, 950, 0}, true, 0, 0, 1, 3, 0, none, 0.1f, 0, 0.0025f, 0.5f, 0, 0, 3, -1, 0.5f},
        {"space, at its top", {0, 1100, 0}, true, 0, 0, 1, 3, 0, none, 0.1f, 0, 0, 0, 0, 0, 3, -1, 0},
        {"separated below space", {0, 700, 0}, true, 0, 0, 1, 3, 0, none, 0.1f, 0, 0.005f, 1, 0, 0, 3, -1, 1},
        {"flat altitude band, on its edge", {0, 300, 0}, false, 0, 0, 1, 3, 0,
         [](Game& g) { g.m_level.rad_max_height = 300.0f; }, 0.1f, 0, 0, 0, 0, 0, 3, -1, 0},
        {"flat altitude band, above", {0, 300.5f, 0}, false, 0, 0, 1, 3, 0,
         [](Game& g) { g.m_level.rad_max_height = 300.0f; }, 0.1f, 0, 0.005f, 1, 0, 0, 3, -1, 1},
        {"flat space band", {0, 800, 0}, true, 0, 0, 1, 3, 0,
         [](Game& g) { g.m_level.space_max_height = 800.0f; }, 0.1f, 0, 0.005f, 1, 0, 0, 3, -1, 1},
        {"flat border band", {100.5f, 50, 0}, false, 0, 0, 1, 3, 0, [](Game& g) { g.m_level.max_border = -400.0f; },
         0.1f, 0, 0.005f, 1, 0, 0, 3, -1, 1},
        {"flat zone, on its rim", {15, 50, 0}, false, 0, 0, 1, 3, 0,
         [](Game& g) {
             RadiationZone& z = *g.m_level.radiation_zones[0];
             z.world_x = z.world_z = 0.0f;
             z.world_r1 = z.world_r2 = 15.0f;
         },
         0.1f, 0, 0.005f, 1, 1, 0, 3, -1, 1},
        {"flat zone, outside", {15.5f, 50, 0}, false, 0, 0, 1, 3, 0,
         [](Game& g) {
             RadiationZone& z = *g.m_level.radiation_zones[0];
             z.world_x = z.world_z = 0.0f;
             z.world_r1 = z.world_r2 = 15.0f;
         },
         0.1f, 0, 0, 0, 0, 0, 3, -1, 0},
        {"EMP hit", centre, false, 0.1f, 0, 1, 3, 0, none, 0, 0.3f, 0.4f, 0, 0, 0, 3, SOUND_RADAR_OFFLINE, 0.3f},
        {"negative EMP hit ignored", centre, false, 0.1f, 0, 1, 3, 0, none, 0, -0.3f, 0.1f, 0, 0, 0, 3, -1, 0},
        {"EMP hit of no number ignored", centre, false, 0.1f, 0, 1, 3, 0, none, 0, NAN, 0.1f, 0, 0, 0, 3, -1, 0},
        {"negative rate lowers in radiation", high, false, 0.3f, 0, 1, 3, 0,
         [](Game& g) { g.m_radRateInc = -0.05f; }, 0.1f, 0, 0.295f, 1, 0, 0, 3, -1, 1},
        // A zone scaled past the float range: its radii are no numbers, it radiates nowhere.
        {"zone of no number", centre, false, 0, 0, 1, 3, 0,
         [](Game& g) { g.m_level.radiation_zones[0]->world_r1 = NAN; }, 0.1f, 0, 0, 0, 0, 0, 3, -1, 0},
    };
    for (const RadiationCase& c : cases) {
        SCOPED_TRACE(c.name);
        RadiationUpdate::TearDown();
        RadiationUpdate::SetUp();
        Player& p = *game.m_player;
        p.split = c.split;
        p.state.position = c.position;
        game.m_radiation = c.radiation;
        game.m_empHoldTime = c.holdTime;
        game.m_radChargeMode = c.chargeMode;
        game.m_empCount = c.empCount;
        game.m_empCharge = c.charge;
        c.tweak(game);

        game.updateRadiation(c.dt, c.hit);
        EXPECT_NEAR(game.m_radiation, c.wantRadiation, 1e-6f);
        EXPECT_NEAR(game.m_radiationTarget, c.wantTarget, 1e-6f);
        EXPECT_NEAR(game.m_radiationZones, c.wantZones, 1e-6f);
        EXPECT_NEAR(game.m_empCharge, c.wantCharge, 1e-6f);
        EXPECT_EQ(game.m_empCount, c.wantCount);
        EXPECT_EQ(voiceHeard(), c.wantVoice);
        EXPECT_EQ(sound->isPaused(SOUND_GEIGER), c.wantGeiger <= 0.0f);
        if (c.wantGeiger > 0.0f) {
            EXPECT_NEAR(sound->getGeigerFrequency(), 33075.0f + 99225.0f * c.wantGeiger, 0.05f);
        }
    }
}

TEST_F(RadiationUpdate, AllClearOnceAndTheSystemsGoOfflineBeforeTheLanderSteps)
{
    Player& p = *game.m_player;
    gGravityEnabled = false;
    game.m_radiation = 0.41f;
    game.update(STEP);
    EXPECT_TRUE(p.stabilizerOffline);
    EXPECT_FALSE(p.autopilotOffline);

    // Falling through 0.2 plays the all-clear voice in that step only.
    game.m_radiation = 0.2f + 0.5f * STEP * game.m_radRateDec;
    game.update(STEP);
    EXPECT_EQ(voiceHeard(), SOUND_ALL_SYSTEMS_ONLINE);
    sound->pauseEffects();
    game.update(STEP);
    EXPECT_EQ(voiceHeard(), -1);

    // A wreck measures nothing.
    p.exploding = true;
    p.state.position.y = 600.0f;
    game.updateRadiation(STEP, 0.0f);
    EXPECT_EQ(game.m_radiationTarget, 0.0f);
}

TEST_F(GameUpdate, CheckpointsSaveOncePerStepAndRestartFromThemOrTheStart)
{
    testing::internal::CaptureStdout();
    Player& p = *game.m_player;
    gGravityEnabled = false;
    gDevKeysEnabled = true;
    const glm::vec3 start = p.state.position;

    // R without a checkpoint is Shift+R: the level start.
    p.state.position = glm::vec3(5.0f, 60.0f, 5.0f);
    game.m_radiation = 0.3f;
    game.m_empCount = 1;
    press(GLFW_KEY_R);
    EXPECT_EQ(p.state.position, start);
    EXPECT_EQ(game.m_radiation, 0.0f);
    EXPECT_EQ(game.m_empCount, game.m_empNumMax);

    // Ctrl+S during the separation countdown keeps its remaining time.
    p.helium = 600;
    game.update(STEP);
    ASSERT_TRUE(game.m_separationPending);
    for (int i = 0; i < 30; ++i)
        game.update(STEP);
    const float countdown = game.m_separationTimer;
    p.state.position = glm::vec3(10.0f, 80.0f, -4.0f);
    p.state.momentum = glm::vec3(1.0f, 2.0f, 3.0f);
    p.state.recalculate();
    p.fuel = 1234;
    game.m_radiation = 0.25f;
    game.m_empCount = 2;
    game.m_radEmpQuadratic = true;
    game.update(STEP); // a new step: the save in the separation step is over
    const float savedTimer = game.m_separationTimer;
    const glm::vec3 saved = p.state.position;
    const float savedRadiation = game.m_radiation;
    press(GLFW_KEY_S, GLFW_MOD_CONTROL);
    ASSERT_TRUE(game.m_hasCheckpoint);
    EXPECT_LT(savedTimer, countdown);

    // A second save in the same step is ignored.
    p.fuel = 99;
    game.saveCheckpoint();
    EXPECT_EQ(p.checkpoint.fuel, 1234u);

    // A crash, then R: back where the checkpoint was, countdown and all.
    for (int i = 0; i < 20; ++i)
        game.update(STEP);
    p.exploding = true;
    game.m_radEmpQuadratic = false;
    game.m_empCount = 0;
    press(GLFW_KEY_R);
    EXPECT_EQ(p.state.position, saved);
    EXPECT_EQ(p.state.momentum, glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(p.fuel, 1234u);
    EXPECT_EQ(p.helium, 600u);
    EXPECT_FALSE(p.exploding);
    EXPECT_TRUE(game.m_separationPending);
    EXPECT_EQ(game.m_separationTimer, savedTimer);
    EXPECT_EQ(game.m_radiation, savedRadiation);
    EXPECT_EQ(game.m_empCount, 2);
    EXPECT_TRUE(game.m_radEmpQuadratic);

    // A save in the step of a restore is ignored; the checkpoint stays for the next R.
    p.fuel = 7;
    game.saveCheckpoint();
    EXPECT_EQ(p.checkpoint.fuel, 1234u);
    game.update(STEP);
    press(GLFW_KEY_R);
    EXPECT_EQ(p.fuel, 1234u);

    // After the mission is accomplished R starts the level afresh and drops the checkpoint.
    game.m_missionAccomplished = true;
    press(GLFW_KEY_R);
    EXPECT_EQ(p.state.position, start);
    EXPECT_FALSE(game.m_hasCheckpoint);
    EXPECT_FALSE(game.m_separationPending);
    EXPECT_FALSE(game.m_missionAccomplished);

    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Checkpoint saved!"), std::string::npos);
    EXPECT_NE(log.find("Checkpoint loaded"), std::string::npos);
}

TEST_F(GameUpdate, RestoringASeparatedLanderKeepsItsSavedState)
{
    // Separating again on a restore would lift the stage 1.1865 and push it again, on
    // every R.
    Player& p = *game.m_player;
    gDevKeysEnabled = true;
    press(GLFW_KEY_KP_SUBTRACT, GLFW_MOD_SHIFT);
    ASSERT_TRUE(p.split);
    game.update(STEP);
    game.update(STEP);
    const glm::vec3 position = p.state.position, momentum = p.state.momentum;
    const float splitTimer = p.splitTimer;
    press(GLFW_KEY_S, GLFW_MOD_CONTROL);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 30; ++i)
            game.update(STEP);
        press(GLFW_KEY_R);
        EXPECT_TRUE(p.split);
        EXPECT_EQ(p.state.position, position);
        EXPECT_EQ(p.state.momentum, momentum);
        EXPECT_EQ(p.splitTimer, splitTimer);
        game.update(STEP);
    }
}
