// The lander set down on level 1's real terrain through the game's own update: soft
// landings, crashes that are too fast, too steep or too tilted, the explosion and the
// restart.
#include "GameGl.h"

#include "level/Game.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "scene/Model.h"
#include "lander/Player.h"

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
    runUntilContact(600);
    EXPECT_FALSE(player->landingPossible);
    EXPECT_FALSE(player->landed);
    EXPECT_TRUE(player->exploding);
    // A restart joins the stages again and takes the lower one out of the draw list.
    gGame.restartLevel(true);
    EXPECT_EQ(player->activeModel, player->wholeModel);
    EXPECT_TRUE(player->activeModel->m_visible);
    EXPECT_EQ(std::count(gDrawList.begin(), gDrawList.end(), player->bottomStageModel), 0);
}
