// The lander set down on level 1's real terrain through the game's own update: soft
// landings, crashes that are too fast, too steep or too tilted, the explosion, the
// restart and checkpoints, and the EMP bombs it throws.
#include "GameGl.h"
#include "unit/SoundTestOutput.h"

#include "audio/AudioSettings.h"
#include "audio/SoundSystem.h"
#include "objects/Bomb.h"
#include "physics/Physics.h"

#include "level/Game.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "scene/Model.h"
#include "lander/Player.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>
#include <algorithm>
#include <vector>

namespace {

const float STEP = 1.0f / 60.0f;

class LandingGl : public PhysicsGlTest {
protected:
    void SetUp() override
    {
        PhysicsGlTest::SetUp();
        gGravityEnabled = true;
        gDevKeysEnabled = false;
        gGame.m_antialiasing = 0;
        gCurrentLevel = 1;
        gGame.init(1, true);
        gGame.leaveLoadingScreen();
        gGame.m_paused = false;
        gGame.m_invincible = false;
        gGame.m_wasLanded = false;
        gGame.m_wasColliding = false;
        ASSERT_NE(gGame.m_player, nullptr);
        player = gGame.m_player;
        terrain = gGame.m_heightfield;
    }
    void TearDown() override
    {
        gGravityEnabled = true;
        gGame.cleanup();
        PhysicsGlTest::TearDown();
    }

    // Puts the lander's feet `height` above the ground at (x, z), turned by `tilt`.
    void place(float x, float z, float height, const glm::vec3& momentum,
               const glm::quat& tilt = glm::quat(1.0f, 0.0f, 0.0f, 0.0f))
    {
        const float ground = terrain->getHeight(glm::vec3(x, 0.0f, z), nullptr);
        player->state.orientation = tilt;
        player->state.position = glm::vec3(x, ground + height - player->bottomOffset, z);
        player->state.momentum = momentum;
        player->state.angularMomentum = glm::vec3(0.0f);
        player->state.recalculate();
        player->updateTransforms();
    }

    // Game steps until the lander has landed or started exploding; returns the steps run.
    int runUntilContact(int limit)
    {
        for (int i = 1; i <= limit; ++i) {
            gGame.update(STEP);
            if (player->landed || player->exploding)
                return i;
        }
        return limit;
    }

    glm::vec3 groundNormal() const
    {
        glm::vec3 n(0.0f);
        terrain->getHeight(player->state.position, &n);
        return glm::normalize(n);
    }

    Player* player = nullptr;
    Heightfield* terrain = nullptr;
};

} // namespace

TEST_F(LandingGl, ASlowLevelDescentLandsAndThrustTakesOff)
{
    testing::internal::CaptureStdout();
    place(0.0f, 120.0f, 3.0f, glm::vec3(0.0f, -2.0f, 0.0f));
    runUntilContact(600);
    ASSERT_TRUE(player->landed);
    EXPECT_FALSE(player->collided);
    EXPECT_FALSE(player->exploding);
    EXPECT_TRUE(player->lowerProbeTouchesTerrain());
    EXPECT_FALSE(player->upperProbeTouchesTerrain());
    EXPECT_EQ(player->state.momentum, glm::vec3(0.0f));
    // Set down upright on the ground, its feet within a step of the surface.
    EXPECT_GT(glm::dot(player->upAxis(), groundNormal()), 0.9999f);
    const glm::vec3 feet = player->state.position + player->state.orientation * glm::vec3(0, player->bottomOffset, 0);
    EXPECT_NEAR(feet.y, terrain->getHeight(feet, nullptr), 0.3f);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Touchdown; coll = L_"), std::string::npos);
    EXPECT_NE(log.find("LANDED"), std::string::npos);
    testing::internal::CaptureStdout();

    // Resting: no gravity, no drift, inputs to turn are ignored.
    const glm::vec3 resting = player->state.position;
    player->pitchInput = 1;
    for (int i = 0; i < 120; ++i)
        gGame.update(STEP);
    player->pitchInput = 0;
    EXPECT_TRUE(player->landed);
    EXPECT_EQ(player->state.position, resting);

    // Thrust lifts it off the ground.
    player->thrustInput = 1;
    for (int i = 0; i < 60 && player->landed; ++i)
        gGame.update(STEP);
    player->thrustInput = 0;
    EXPECT_FALSE(player->landed);
    EXPECT_FALSE(player->collided);
    EXPECT_GT(player->state.position.y, resting.y);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Taking off"), std::string::npos);
}

TEST_F(LandingGl, SpeedLimitIsFifteen)
{
    // Without gravity the speed at the contact is exactly the one given.
    gGravityEnabled = false;
    place(0.0f, 120.0f, 2.0f, glm::vec3(0.0f, -15.0f, 0.0f));
    runUntilContact(300);
    EXPECT_TRUE(player->landed);
    EXPECT_FALSE(player->exploding);

    player->reset();
    place(0.0f, 120.0f, 2.0f, glm::vec3(0.0f, -15.05f, 0.0f));
    runUntilContact(300);
    EXPECT_FALSE(player->landed);
    EXPECT_TRUE(player->exploding);
}

TEST_F(LandingGl, TooFastCrashesAndTheExplosionRunsSixtyFourSteps)
{
    testing::internal::CaptureStdout();
    place(0.0f, 120.0f, 5.0f, glm::vec3(0.0f, -20.0f, 0.0f));
    runUntilContact(600);
    ASSERT_TRUE(player->exploding);
    EXPECT_FALSE(player->landed);
    EXPECT_FALSE(player->activeModel->m_visible);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("BOOM - player collision"), std::string::npos);
    EXPECT_GT(gGame.m_crashZoom.crashTime, 0.0f);
    EXPECT_FALSE(gGame.isPlayerControllable());
    const glm::vec3 wreck = player->state.position;

    // The explosion frame counts lander steps, also while the crash view swings out.
    for (int i = 1; i < 64; ++i) {
        gGame.update(STEP);
        ASSERT_TRUE(player->exploding) << "step " << i;
    }
    gGame.update(STEP);
    EXPECT_FALSE(player->exploding);
    EXPECT_TRUE(player->destroyed);
    for (int i = 0; i < 200; ++i)
        gGame.update(STEP);
    EXPECT_EQ(player->state.position, wreck);
    EXPECT_EQ(gGame.m_crashZoom.crashTime, 0.0f);
    EXPECT_NEAR(gGame.m_camera.r, 2500.0f, 1e-2f);
    EXPECT_NEAR(gGame.m_camera.theta, 3.1415927f / 2.0f, 1e-5f);

    // Restart: the lander is back at the level start, whole and controllable.
    gGame.restartLevel(false);
    EXPECT_FALSE(player->exploding);
    EXPECT_FALSE(player->destroyed);
    EXPECT_TRUE(player->activeModel->m_visible);
    EXPECT_EQ(player->state.position, gGame.m_level.start_position);
    EXPECT_EQ(player->fuel, player->initialFuel);
    EXPECT_EQ(gGame.m_camera.max_rad, 50.0f);
    EXPECT_EQ(gGame.m_crashZoom.crashTime, 0.0f);
    EXPECT_TRUE(gGame.isPlayerControllable());
}

TEST_F(LandingGl, TiltedOrSteepCrashes)
{
    const glm::vec3 slow(0.0f, -2.0f, 0.0f);
    const glm::vec3 x(1.0f, 0.0f, 0.0f);

    // 29 degrees of tilt still lands, and the lander is set upright; 31 crashes.
    place(0.0f, 120.0f, 3.0f, slow, glm::angleAxis(glm::radians(28.0f), x));
    runUntilContact(600);
    EXPECT_TRUE(player->landed);
    EXPECT_GT(glm::dot(player->upAxis(), groundNormal()), 0.9999f);

    player->reset();
    place(0.0f, 120.0f, 3.0f, slow, glm::angleAxis(glm::radians(31.5f), x));
    runUntilContact(600);
    EXPECT_FALSE(player->attitudeOk);
    EXPECT_TRUE(player->exploding);

    // Ground steeper than 30 degrees.
    glm::vec3 steep(0.0f);
    bool found = false;
    const float half = terrain->m_extent_x * 0.45f;
    for (float z = -half; z < half && !found; z += 3.0f) {
        for (float x0 = -half; x0 < half && !found; x0 += 3.0f) {
            glm::vec3 n;
            terrain->getHeight(glm::vec3(x0, 0.0f, z), &n);
            if (glm::normalize(n).y < 0.75f) {
                steep = glm::vec3(x0, 0.0f, z);
                found = true;
            }
        }
    }
    ASSERT_TRUE(found) << "level 1 has no slope steeper than 41 degrees";
    player->reset();
    gGame.m_crashZoom.crashTime = 0.0f;
    place(steep.x, steep.z, 3.0f, slow);
    runUntilContact(600);
    EXPECT_FALSE(player->slopeOk);
    EXPECT_FALSE(player->landed);
    EXPECT_TRUE(player->exploding);
}

TEST_F(LandingGl, InvincibleSeparatedAndBelowTheWorld)
{
    // Invincible: the collision is logged and nothing else happens.
    testing::internal::CaptureStdout();
    gGame.m_invincible = true;
    place(0.0f, 120.0f, 2.0f, glm::vec3(0.0f, -25.0f, 0.0f));
    for (int i = 0; i < 60; ++i)
        gGame.update(STEP);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("BOOM - player collision"), std::string::npos);
    EXPECT_FALSE(player->exploding);
    EXPECT_EQ(gGame.m_crashZoom.crashTime, 0.0f);
    gGame.m_invincible = false;

    // Below the terrain's lowest point is a collision even away from the surface.
    player->reset();
    gGravityEnabled = false;
    player->state.position = glm::vec3(0.0f, terrain->m_min_height - 5.0f, 120.0f);
    player->state.recalculate();
    player->updateContacts();
    EXPECT_TRUE(player->collided);

    // After the separation any touch of the ground is a collision.
    player->reset();
    place(0.0f, 120.0f, 0.3f, glm::vec3(0.0f, -1.0f, 0.0f));
    player->setSplit(true);
    EXPECT_EQ(gDrawList.back(), player->bottomStageModel);
    player->state.momentum = glm::vec3(0.0f, -2.0f, 0.0f);
    player->state.recalculate();
    gGame.update(STEP);
    gGame.saveCheckpoint();
    const glm::mat4 lowerStage = player->bottomStageModel->m_model_matrix;
    const float splitTimer = player->splitTimer;
    runUntilContact(600);
    EXPECT_FALSE(player->landingPossible);
    EXPECT_FALSE(player->landed);
    EXPECT_TRUE(player->exploding);
    // The checkpoint brings the separated lander back: upper stage flying, the lower one
    // where it stood, drawn once.
    gGame.update(STEP);
    gGame.restartLevel(false);
    EXPECT_EQ(player->activeModel, player->topStageModel);
    EXPECT_TRUE(player->activeModel->m_visible);
    EXPECT_EQ(std::count(gDrawList.begin(), gDrawList.end(), player->bottomStageModel), 1);
    EXPECT_EQ(player->bottomStageModel->m_model_matrix, lowerStage);
    EXPECT_EQ(player->splitTimer, splitTimer);
    EXPECT_FALSE(player->exploding);
    // A restart joins the stages again and takes the lower one out of the draw list.
    gGame.restartLevel(true);
    EXPECT_EQ(player->activeModel, player->wholeModel);
    EXPECT_TRUE(player->activeModel->m_visible);
    EXPECT_EQ(std::count(gDrawList.begin(), gDrawList.end(), player->bottomStageModel), 0);
}

namespace {

// The game's sounds, through the wave writer: a slot that was played runs.
class BombGl : public LandingGl {
protected:
    void SetUp() override
    {
        soundtest::outputDir();
        LandingGl::SetUp();
        gSoundEnabled = true;
        sound = new SoundSystem();
        gSound = sound;
        gEmpMinimalGroundspeed = 0.0f;
        gGravityEnabled = false;
        gGame.m_radEmpRadiation = 0.0f;
        place(0.0f, 120.0f, 20.0f, glm::vec3(0.0f));
    }
    void TearDown() override
    {
        gSound = nullptr;
        delete sound;
        gEmpMinimalGroundspeed = 0.0f;
        gDevKeysEnabled = false;
        gGame.m_radEmpRadiation = 0.0f;
        LandingGl::TearDown();
    }

    void pressB(int mods) { gGame.onKey(GLFW_KEY_B, 0, GLFW_PRESS, mods); }
    bool played(int slot) const { return !sound->isPaused(slot); }
    void quiet() { sound->pauseEffects(); }

    SoundSystem* sound = nullptr;
};

} // namespace

TEST_F(BombGl, LaunchNeedsABombGroundSpeedAndOneStage)
{
    // No bomb left: only that voice, even when too slow as well.
    gGame.m_empCount = 0;
    gEmpMinimalGroundspeed = 5.0f;
    pressB(0);
    EXPECT_TRUE(played(SOUND_NO_BOMBS));
    EXPECT_FALSE(played(SOUND_GROUNDSPEED));
    EXPECT_FALSE(played(SOUND_LAUNCH_EMP));
    EXPECT_EQ(gGame.m_empCount, 0);

    // Too slow: the ground-speed voice; Ctrl+B with developer keys throws anyway, and one
    // press spends one bomb.
    quiet();
    gGame.m_empCount = 3;
    pressB(0);
    EXPECT_TRUE(played(SOUND_GROUNDSPEED));
    EXPECT_TRUE(gGame.m_bombs.empty());
    gDevKeysEnabled = true;
    pressB(GLFW_MOD_CONTROL);
    EXPECT_TRUE(played(SOUND_LAUNCH_EMP));
    ASSERT_EQ(gGame.m_bombs.size(), 1u);
    EXPECT_EQ(gGame.m_empCount, 2);
    EXPECT_EQ(std::count(gDrawList.begin(), gDrawList.end(), gGame.m_bombs[0]->m_model), 1);
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), 2);

    // Shift+B refills up to the most, never beyond.
    pressB(GLFW_MOD_SHIFT);
    pressB(GLFW_MOD_SHIFT);
    EXPECT_EQ(gGame.m_empCount, 3);

    // The upper stage alone has no bombs to throw.
    quiet();
    player->setSplit(true);
    pressB(GLFW_MOD_CONTROL);
    EXPECT_FALSE(played(SOUND_LAUNCH_EMP));
    EXPECT_EQ(gGame.m_bombs.size(), 1u);

    // A restart clears the bombs away, bodies and all.
    gGame.restartLevel(true);
    EXPECT_TRUE(gGame.m_bombs.empty());
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), 1);
}

TEST_F(BombGl, BombsBounceGlowAndExplodeAfterSixHundredSteps)
{
    testing::internal::CaptureStdout();
    gGame.m_projection = gGame.m_camera.getProjection();
    gGame.m_view = gGame.m_camera.getViewMatrix();
    gGame.m_radEmpRadiation = 1.0f;
    gGame.m_radEmpRadius = 50.0f;
    gGame.m_radEmpQuadratic = true;
    gDevKeysEnabled = true;
    pressB(0);
    pressB(0);
    ASSERT_EQ(gGame.m_bombs.size(), 2u);
    Bomb* first = gGame.m_bombs[0];
    Bomb* second = gGame.m_bombs[1];

    // Green at the launch, yellow half way, red when the fuse is out; a fuse without
    // length is out.
    first->m_model->draw(gGame.m_projection * gGame.m_view, nullptr, nullptr);
    EXPECT_EQ(gBombTemplate->m_meshes[0]->m_material.diffuse, glm::vec3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(Bomb::fuseColor(300, 600), glm::vec3(1.0f, 1.0f, 0.0f));
    EXPECT_EQ(Bomb::fuseColor(0, 600), glm::vec3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(Bomb::fuseColor(0, 0), glm::vec3(1.0f, 0.0f, 0.0f));

    for (int i = 0; i < 599; ++i)
        gGame.update(STEP);
    ASSERT_EQ(gGame.m_bombs.size(), 2u);
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("Bomb exploded"), std::string::npos);

    // Both came to rest on the ground below, pushed apart from each other.
    const float ground = terrain->getHeight(first->position(), nullptr);
    EXPECT_NEAR(first->position().y, ground + 0.5f, 0.3f);
    EXPECT_GT(glm::length(first->position() - second->position()), 0.9f);

    // Both explode in the 600th step: the first starts the shock wave, the second does
    // not move it. The lander, 20 up, takes (1 - d / 50)^2 of the radiation; at exactly
    // the radius it would take none.
    const glm::vec4 clip = gGame.m_projection * gGame.m_view * first->m_model->m_model_matrix[3];
    const float share1 = 1.0f - glm::length(player->state.position - first->position()) / 50.0f;
    const float share2 = 1.0f - glm::length(player->state.position - second->position()) / 50.0f;
    testing::internal::CaptureStdout();
    gGame.update(STEP);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(gGame.m_bombs.empty());
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), 1);
    EXPECT_TRUE(gGame.m_shockwaveActive);
    EXPECT_NEAR(gGame.m_shockwaveCenter.x, clip.x / clip.w * 0.5f + 0.5f, 1e-5f);
    EXPECT_NEAR(gGame.m_shockwaveCenter.y, clip.y / clip.w * 0.5f + 0.5f, 1e-5f);
    size_t explosions = 0;
    for (size_t at = log.find("Bomb exploded"); at != std::string::npos; at = log.find("Bomb exploded", at + 1))
        ++explosions;
    EXPECT_EQ(explosions, 2u);
    EXPECT_NEAR(gGame.m_radiation, share1 * share1 + share2 * share2, 1e-5f);
    EXPECT_NE(log.find("EMP inflicted radiation: "), std::string::npos);

    gGame.m_radiation = 0.0f;
    gGame.m_shockwaveActive = false;
    pressB(0);
    for (int i = 0; i < 599; ++i)
        gGame.update(STEP);
    const glm::vec3 blast = gGame.m_bombs[0]->position();
    gGame.m_radEmpRadius = glm::length(player->state.position - blast);
    // A bomb behind the camera starts no shock wave.
    gGame.m_view = glm::lookAt(blast + glm::vec3(0.0f, 0.0f, 5.0f), blast + glm::vec3(0.0f, 0.0f, 10.0f),
                               glm::vec3(0.0f, 1.0f, 0.0f));
    gGame.m_radEmpDuration = 1.0f;
    gGame.update(STEP);
    EXPECT_TRUE(gGame.m_bombs.empty());
    EXPECT_EQ(gGame.m_radiation, 0.0f);
    EXPECT_EQ(gGame.m_empHoldTime, 0.0f); // not even a hit of nothing
    EXPECT_FALSE(gGame.m_shockwaveActive);
}
