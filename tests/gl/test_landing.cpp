// The lander set down on level 1's real terrain through the game's own update: soft
// The lander set down on level 1's real terrain through the game's own update: soft
// landings, crashes that are too fast, too steep or too tilted, the explosion, the
// restart and checkpoints; crawlers driving on that terrain, docking on their pads with
// the fuel and helium they hand over, and crystals and liquids as obstacles; the EMP
// bombs the lander throws.
#include "GameGl.h"
#include "unit/SoundTestOutput.h"

#include "audio/AudioSettings.h"
#include "audio/SoundSystem.h"
#include "objects/Bomb.h"

#include "level/Game.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "scene/Model.h"
#include "lander/Player.h"
#include "level/LevelConfig.h"
#include "objects/Crawler.h"
#include "objects/Crystal.h"
#include "objects/Liquid.h"
#include "scene/Mesh.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

const float STEP = 1.0f / 60.0f;

class LandingGl : public PlayingGlTest {
protected:
    void SetUp() override
    {
        PlayingGlTest::SetUp();
        startLevel(1);
        ASSERT_NE(gGame.m_player, nullptr);
        player = gGame.m_player;
        terrain = gGame.m_heightfield;
    }
    void TearDown() override
    {
        ownCrawlers.clear();
        PlayingGlTest::TearDown();
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

    // A crawler of its own on level 1's terrain, driving waypoints given in pixels.
    Crawler* makeCrawler(const std::vector<glm::vec2>& waypoints, float speed, float facing, bool cycle)
    {
        CrawlerDef def;
        def.speed = speed;
        def.speed_upon_landing = -1.0f;
        def.facing = facing;
        def.cycle_waypoints = cycle;
        def.helium = 600;
        def.fuel = -1;
        def.num_waypoints = static_cast<int32_t>(waypoints.size());
        def.waypoints = new glm::vec2[waypoints.size()];
        std::copy(waypoints.begin(), waypoints.end(), def.waypoints);
        auto* crawler = new Crawler(100 + static_cast<int>(ownCrawlers.size()));
        ownCrawlers.emplace_back(crawler);
        crawler->m_terrain = terrain;
        crawler->init(&def);
        return crawler;
    }

    // Puts the lander's lowest point `height` above crawler c's pad at the pad point
    // (x, z) of the crawler's frame, turned by `tilt` against the crawler.
    void placeOverPad(const Crawler* c, float x, float z, float height, const glm::vec3& momentum,
                      const glm::quat& tilt = glm::quat(1.0f, 0.0f, 0.0f, 0.0f))
    {
        const glm::vec3 padPoint(x, Crawler::boundsMax().y + height, z);
        player->state.orientation = c->m_orientation * tilt;
        player->state.position = glm::vec3(c->modelMatrix() * glm::vec4(padPoint, 1.0f)) -
                                 player->state.orientation * glm::vec3(0.0f, player->bottomOffset, 0.0f);
        player->state.momentum = momentum;
        player->state.angularMomentum = glm::vec3(0.0f);
        player->state.recalculate();
        player->updateTransforms();
    }

    glm::vec3 groundNormal() const
    {
        glm::vec3 n(0.0f);
        terrain->getHeight(player->state.position, &n);
        return glm::normalize(n);
    }

    Player* player = nullptr;
    Heightfield* terrain = nullptr;
    std::vector<std::unique_ptr<Crawler>> ownCrawlers;
};

float headingAngle(const Crawler& c)
{
    return std::atan2(-c.m_heading.z, c.m_heading.x);
}

float angleBetween(float a, float b)
{
    float d = std::fmod(b - a + 3.0f * 3.1415927f, 2.0f * 3.1415927f) - 3.1415927f;
    return std::fabs(d);
}

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

TEST_F(LandingGl, CrawlersDriveTheirWaypointsOnTheTerrain)
{
    const float turnPerStep = 0.31415927f * STEP;
    struct Case {
        const char* name;
        std::vector<glm::vec2> waypoints; // pixels
        float speed;
        float facing;
        bool cycle;
        int steps;
        int passes; // waypoints reached at least
    };
    const std::vector<Case> cases = {
        {"one waypoint, facing 0", {{512, 620}}, 0.0f, 0.0f, true, 120, 0},
        {"one waypoint, facing 90, driving", {{512, 620}}, 4.0f, 90.0f, false, 300, 0},
        {"two waypoints, back and forth", {{470, 620}, {560, 620}}, 6.0f, 0.0f, true, 9000, 3},
        {"last waypoint stops a non-cycling crawler", {{470, 620}, {520, 620}, {520, 660}}, 5.0f, 0.0f, false, 3600, 2},
        {"backwards", {{470, 620}, {560, 620}}, -4.0f, 0.0f, true, 600, 0},
        {"first two waypoints on one spot", {{500, 600}, {500, 600}, {560, 640}}, 3.0f, 90.0f, true, 600, 1},
        {"a waypoint far outside the map", {{1000, 600}, {3000, 600}}, 8.0f, 0.0f, true, 1200, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Crawler* c = makeCrawler(k.waypoints, k.speed, k.facing, k.cycle);

        // The start: on the first waypoint, on the ground, upright.
        const glm::vec2 first = c->m_waypoints[0];
        EXPECT_FLOAT_EQ(c->m_position.x, first.x);
        EXPECT_FLOAT_EQ(c->m_position.z, first.y);
        EXPECT_NEAR(c->m_position.y, terrain->getHeight(c->m_position, nullptr), 1.0f);
        EXPECT_GT((c->m_orientation * glm::vec3(0, 1, 0)).y, 0.9f);
        if (k.waypoints.size() == 1 || k.waypoints[0] == k.waypoints[1]) {
            // facing 0 heads north (-z), facing 90 east (+x)
            const glm::vec3 expected = k.facing == 0.0f ? glm::vec3(0, 0, -1) : glm::vec3(1, 0, 0);
            EXPECT_NEAR(glm::distance(c->m_heading, expected), 0.0f, 1e-5f);
        } else {
            const glm::vec2 d = glm::normalize(c->m_waypoints[1] - first);
            EXPECT_NEAR(glm::distance(c->m_heading, glm::vec3(d.x, 0.0f, d.y)), 0.0f, 1e-5f);
        }

        const glm::vec3 startHeading = c->m_heading;
        float lowest = 1e9f, highest = -1e9f, largestTurn = 0.0f;
        int indexChanges = 0;
        float backwardsDot = 1.0f;
        for (int i = 0; i < k.steps; ++i) {
            const float before = headingAngle(*c);
            const int index = c->m_waypointIndex;
            const glm::vec3 from = c->m_position;
            c->update(true, c->m_position, STEP);
            ASSERT_TRUE(std::isfinite(c->m_position.x) && std::isfinite(c->m_position.y) &&
                        std::isfinite(c->m_position.z));
            largestTurn = std::max(largestTurn, angleBetween(before, headingAngle(*c)));
            indexChanges += c->m_waypointIndex != index ? 1 : 0;
            if (glm::distance(from, c->m_position) > 0.0f)
                backwardsDot = std::min(backwardsDot, glm::dot(c->m_position - from, c->m_orientation * glm::vec3(0, 0, 1)) *
                                                          (k.speed < 0.0f ? -1.0f : 1.0f));
            // The wheels stand on the ground: the body never floats off or sinks in.
            const float ground = terrain->getHeight(c->m_position, nullptr);
            lowest = std::min(lowest, c->m_position.y - ground);
            highest = std::max(highest, c->m_position.y - ground);
        }
        EXPECT_LE(largestTurn, turnPerStep * 1.001f);
        EXPECT_GT(lowest, -1.5f);
        EXPECT_LT(highest, 1.5f);
        EXPECT_GE(backwardsDot, 0.0f) << "the crawler moved against its speed";
        EXPECT_EQ(c->m_lod[0]->m_model_matrix, c->modelMatrix());

        if (k.waypoints.size() == 1) {
            // Never steered: it keeps its heading, and a stopped one stays put.
            EXPECT_EQ(c->m_heading, startHeading);
            EXPECT_EQ(c->m_waypointIndex, 0);
            if (k.speed == 0.0f)
                EXPECT_FLOAT_EQ(c->m_position.x, first.x);
            else
                EXPECT_NEAR(c->m_position.x - first.x, k.speed * k.steps * STEP, 0.5f);
        } else if (k.cycle) {
            EXPECT_GE(indexChanges, k.passes);
            EXPECT_EQ(std::fabs(c->m_speed), std::fabs(k.speed));
        } else {
            EXPECT_EQ(c->m_waypointIndex, c->m_numWaypoints - 1);
            EXPECT_EQ(c->m_speed, 0.0f);
            EXPECT_EQ(c->m_speedUponLanding, 0.0f);
        }
    }
}

TEST_F(LandingGl, CrawlerTurnsTheShortWayAndStepsAtSixtyPerSecond)
{
    // Heading -170 degrees, the next waypoint due west at 180: 350 degrees one way,
    // 10 the other.
    Crawler* c = makeCrawler({{600, 600}, {400, 600}}, 3.0f, 0.0f, true);
    const float h = glm::radians(-170.0f);
    c->m_heading = glm::vec3(std::cos(h), 0.0f, -std::sin(h));
    const float before = headingAngle(*c);
    c->update(true, c->m_position, STEP);
    const float after = headingAngle(*c);
    float turned = after - before;
    if (turned > 3.1415927f)
        turned -= 6.2831853f;
    if (turned < -3.1415927f)
        turned += 6.2831853f;
    EXPECT_NEAR(turned, -0.31415927f * STEP, 1e-5f);
    const glm::vec2 toNext = c->m_waypoints[1] - glm::vec2(c->m_position.x, c->m_position.z);
    EXPECT_LT(angleBetween(after, std::atan2(-toNext.y, toNext.x)), angleBetween(before, std::atan2(-toNext.y, toNext.x)));

    // Frames of 10 ms: a step on three frames out of five (one frame's rounding may
    // push the last into the next five), and only those choose the detail level.
    const glm::vec3 far = c->m_position + glm::vec3(0.0f, 0.0f, 800.0f);
    int steps = 0;
    for (int frame = 0; frame < 100; ++frame) {
        const glm::vec3 p = c->m_position;
        c->update(false, far, 0.01f);
        steps += p != c->m_position ? 1 : 0;
        if (frame == 0) {
            EXPECT_TRUE(c->m_lod[0]->m_visible) << "a frame that does not step keeps the detail level";
        }
    }
    EXPECT_GE(steps, 59);
    EXPECT_LE(steps, 60);
    EXPECT_TRUE(c->m_lod[1]->m_visible);
    EXPECT_FALSE(c->m_lod[0]->m_visible);

    // An empty crawler shows the empty pad while it is drawn, and only then.
    Mesh* pad = nullptr;
    for (Mesh* mesh : c->m_lod[0]->m_meshes)
        if (mesh->m_name == "landingarea")
            pad = mesh;
    ASSERT_NE(pad, nullptr);
    const GLuint full = pad->m_diffuse_tex;
    c->m_helium = 1;
    Crawler::preRender(c, c->m_lod[0], glm::mat4(1.0f));
    EXPECT_EQ(pad->m_diffuse_tex, full);
    c->m_helium = 0;
    Crawler::preRender(c, c->m_lod[0], glm::mat4(1.0f));
    EXPECT_NE(pad->m_diffuse_tex, full);
    Crawler::postRender(c, c->m_lod[0], glm::mat4(1.0f));
    EXPECT_EQ(pad->m_diffuse_tex, full);
}

TEST_F(LandingGl, DockingOnACrawlerPadRidesTakesSuppliesAndTakesOff)
{
    // The slow loop crawler of level 1, kept driving with the lander on board.
    Crawler* c = gGame.m_crawlers.at(1);
    ASSERT_GT(c->m_speed, 0.0f);
    c->m_speedUponLanding = -1.0f;
    c->m_fuel = 10;
    c->m_helium = 4;
    player->fuel = 100;
    player->helium = 3598;

    testing::internal::CaptureStdout();
    placeOverPad(c, 0.0f, -6.75f, 1.0f, glm::vec3(0.0f, -2.0f, 0.0f));
    runUntilContact(300);
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(player->landed);
    ASSERT_EQ(player->dockedCrawler, c);
    EXPECT_FALSE(player->exploding);
    EXPECT_NE(log.find("Crawler touchdown; coll = L_"), std::string::npos);
    EXPECT_NE(log.find("LANDED"), std::string::npos);
    EXPECT_EQ(player->thrustCutTimer, 0.5f);
    EXPECT_EQ(player->state.momentum, glm::vec3(0.0f));
    EXPECT_GT(glm::dot(player->upAxis(), c->m_orientation * glm::vec3(0, 1, 0)), 0.9999f);
    EXPECT_TRUE(player->lowerProbeTouchesCrawler(c));
    EXPECT_FALSE(player->upperProbeTouchesCrawler(c));

    // Riding: each step the lander sits at the crawler's pose (of the step before,
    // since the lander steps first) times its pose relative to the crawler, while the
    // crawler drives on; fuel moves 3 a step and helium 1, until the crawler is empty
    // or the lander full.
    const glm::vec3 boarded = player->state.position;
    const std::vector<unsigned int> fuel = {103, 106, 109, 110, 110};
    const std::vector<unsigned int> helium = {3599, 3600, 3600, 3600, 3600};
    for (size_t i = 0; i < fuel.size(); ++i) {
        const glm::vec3 p = c->m_position;
        const glm::quat q = c->m_orientation;
        gGame.update(STEP);
        ASSERT_TRUE(player->landed);
        EXPECT_EQ(player->state.position, p + q * player->relativePosition);
        EXPECT_NEAR(std::fabs(glm::dot(player->state.orientation, q * player->relativeOrientation)), 1.0f, 1e-6f);
        EXPECT_EQ(player->fuel, fuel[i]) << "step " << i;
        EXPECT_EQ(player->helium, helium[i]) << "step " << i;
    }
    EXPECT_EQ(c->m_fuel, 0);
    EXPECT_EQ(c->m_helium, 2);
    for (int i = 0; i < 60; ++i)
        gGame.update(STEP);
    EXPECT_TRUE(player->landed);
    EXPECT_NEAR(glm::distance(player->state.position, boarded), 65 * STEP * c->m_speed, 0.2f);

    // Thrust lifts it off the pad once the half second of cut thrust is over.
    testing::internal::CaptureStdout();
    player->thrustInput = 1;
    for (int i = 0; i < 120 && player->landed; ++i)
        gGame.update(STEP);
    player->thrustInput = 0;
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Taking off"), std::string::npos);
    EXPECT_FALSE(player->landed);
    EXPECT_EQ(player->dockedCrawler, nullptr);
    EXPECT_FALSE(player->exploding);
}

TEST_F(LandingGl, CrawlerContactsThatDoNotDock)
{
    // The parked crawler; every case starts from the level start.
    Crawler* c = gGame.m_crawlers.at(0);
    const glm::vec3 slow(0.0f, -2.0f, 0.0f);
    const glm::vec3 x(1.0f, 0.0f, 0.0f);
    struct Case {
        const char* name;
        float padX, padZ;
        glm::vec3 momentum;
        glm::quat tilt;
    };
    const std::vector<Case> cases = {
        {"beside the pad, over the cab (b.z = 0.6)", 0.0f, 0.6f, slow, glm::quat(1, 0, 0, 0)},
        {"too fast", 0.0f, -6.75f, glm::vec3(0.0f, -16.0f, 0.0f), glm::quat(1, 0, 0, 0)},
        {"tilted 35 degrees against the crawler", 0.0f, -6.75f, slow, glm::angleAxis(glm::radians(35.0f), x)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        gGame.restartLevel(true);
        gGame.m_wasColliding = false;
        testing::internal::CaptureStdout();
        placeOverPad(c, k.padX, k.padZ, 0.5f, k.momentum, k.tilt);
        runUntilContact(300);
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(log.find("Crawler touchdown"), std::string::npos);
        EXPECT_EQ(player->dockedCrawler, nullptr);
        EXPECT_TRUE(player->exploding);
    }
}

TEST_F(LandingGl, DockedStateFollowsTheCrawlerExactly)
{
    // Hand-computed: a crawler at (10, 20, 30) turned 90 degrees about y carries the
    // lander's point (1, 2, 3) of its frame to (10 + 3, 20 + 2, 30 - 1).
    gGravityEnabled = false;
    Crawler* c = gGame.m_crawlers.at(0);
    c->m_position = glm::vec3(10.0f, 20.0f, 30.0f);
    c->m_orientation = glm::angleAxis(glm::radians(90.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    const glm::quat tilt = glm::angleAxis(glm::radians(10.0f), glm::vec3(0.0f, 0.0f, 1.0f));
    player->landed = true;
    player->dockedCrawler = c;
    player->relativePosition = glm::vec3(1.0f, 2.0f, 3.0f);
    player->relativeOrientation = tilt;

    struct Case {
        int32_t crawlerFuel;
        unsigned int landerFuel;
        int32_t crawlerHelium;
        unsigned int landerHelium;
        int32_t crawlerFuelAfter;
        unsigned int landerFuelAfter;
        int32_t crawlerHeliumAfter;
        unsigned int landerHeliumAfter;
    };
    const std::vector<Case> cases = {
        {2, 5999, 5, 0, 1, 6000, 4, 1},       // the lander's tank is nearly full
        {-1, 100, 5, 3599, -1, 103, 4, 3600}, // an unlimited crawler keeps its -1
        {-1, 100, 5, 3600, -1, 103, 5, 3600}, // no more helium above 3600
        {1, 100, 0, 10, 0, 101, 0, 10},       // an empty crawler gives no helium
    };
    for (const Case& k : cases) {
        c->m_fuel = k.crawlerFuel;
        c->m_helium = k.crawlerHelium;
        player->fuel = k.landerFuel;
        player->helium = k.landerHelium;
        ASSERT_TRUE(player->update(true, STEP));
        EXPECT_EQ(c->m_fuel, k.crawlerFuelAfter);
        EXPECT_EQ(player->fuel, k.landerFuelAfter);
        EXPECT_EQ(c->m_helium, k.crawlerHeliumAfter);
        EXPECT_EQ(player->helium, k.landerHeliumAfter);
        EXPECT_NEAR(glm::distance(player->state.position, glm::vec3(13.0f, 22.0f, 29.0f)), 0.0f, 1e-5f);
        const glm::quat expected = c->m_orientation * tilt;
        EXPECT_NEAR(std::fabs(glm::dot(player->state.orientation, expected)), 1.0f, 1e-6f);
    }
}

TEST_F(LandingGl, CrystalsAndLiquids)
{
    // Detail by q = distance^2 / scale^2: 900 is already the second level, and a crystal
    // twice the size switches at twice the distance.
    ASSERT_FALSE(gGame.m_crystals.empty());
    Crystal* crystal = gGame.m_crystals.front();
    const glm::vec3 placed = crystal->m_position;
    const float invScaleSq = crystal->m_invScaleSq;
    const glm::vec3 at(0.0f);
    crystal->m_position = at;
    const std::vector<std::pair<float, int>> byScale1 = {{29.9f, 0}, {30.0f, 1}, {99.9f, 1}, {100.0f, 2}};
    for (float scale : {1.0f, 2.0f}) {
        crystal->m_invScaleSq = 1.0f / (scale * scale);
        for (const auto& [distance, level] : byScale1)
            EXPECT_EQ(crystal->detailFor(at + glm::vec3(0.0f, distance * scale, 0.0f)), level)
                << "scale " << scale << ", distance " << distance * scale;
    }
    crystal->m_invScaleSq = invScaleSq;
    crystal->m_position = placed;

    // The physics steps leave every detail level at the crystal's own size.
    for (int i = 0; i < 3; ++i)
        gGame.update(STEP);
    for (const Crystal* k : gGame.m_crystals)
        for (const Model* model : k->m_lod)
            EXPECT_NEAR(glm::length(glm::vec3(model->m_model_matrix[0])), 1.0f / std::sqrt(k->m_invScaleSq), 1e-5f);

    // Flying into a crystal is a crash.
    gGravityEnabled = false;
    player->state.position = crystal->m_boxPose.p + glm::vec3(0.0f, 0.0f, crystal->m_boxHalf.z + 4.0f);
    player->state.momentum = glm::vec3(0.0f, 0.0f, -3.0f);
    player->state.recalculate();
    player->updateTransforms();
    runUntilContact(300);
    EXPECT_TRUE(player->exploding);
    EXPECT_FALSE(player->landed);
    EXPECT_TRUE(player->bodyOverlaps(crystal->m_boxHalf, crystal->m_boxPose));
    EXPECT_FALSE(player->bodyOverlapsTerrain());

    // A pool over the whole map, its surface 2 units above the ground below the lander:
    // its box spans the map, and sinking into it is a crash.
    gGame.restartLevel(true);
    LiquidDef def;
    def.x = 0.0f;
    def.z = 0.0f;
    def.width = static_cast<float>(terrain->m_heights->m_width - 1);
    def.depth = static_cast<float>(terrain->m_heights->m_height - 1);
    def.height = terrain->getHeight(glm::vec3(0.0f, 0.0f, 120.0f), nullptr) + 2.0f;
    auto* water = new Liquid(terrain, &def);
    gGame.m_liquids.push_back(water);
    const float extent = terrain->m_patch_size * static_cast<float>(terrain->m_xpatches);
    EXPECT_NEAR(water->shape.x, extent / 2.0f, 1e-3f);
    EXPECT_NEAR(water->pose.p.y + water->shape.z, def.height, 1e-4f);
    EXPECT_NEAR(glm::length(water->pose.p - glm::vec3(0.0f, def.height - 10.0f, 0.0f)), 0.0f, 1e-3f);
    place(0.0f, 120.0f, 3.0f, glm::vec3(0.0f, -1.0f, 0.0f));
    runUntilContact(600);
    EXPECT_TRUE(player->exploding);
    EXPECT_FALSE(player->landed);
    EXPECT_FALSE(player->bodyOverlapsTerrain());
}

TEST_F(LandingGl, CheckpointOnEmptyingACrawlerBringsBackTheRideAndEveryCrawler)
{
    // The loop crawler has 2 helium left, the lander 2 short of the target: the step
    // that empties the crawler also reaches the target, and saves once.
    Crawler* c = gGame.m_crawlers.at(1);
    Crawler* parked = gGame.m_crawlers.at(0);
    c->m_speedUponLanding = -1.0f;
    c->m_helium = 2;
    player->helium = static_cast<unsigned int>(gGame.m_level.target_helium) - 2;
    placeOverPad(c, 0.0f, -6.75f, 1.0f, glm::vec3(0.0f, -2.0f, 0.0f));
    runUntilContact(300);
    ASSERT_EQ(player->dockedCrawler, c);
    // The save comes before the crawlers drive in that step.
    glm::vec3 crawlerAt = c->m_position;
    testing::internal::CaptureStdout();
    while (c->m_helium > 0 && !gGame.m_separationPending) {
        crawlerAt = c->m_position;
        gGame.update(STEP);
    }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(gGame.m_hasCheckpoint);
    EXPECT_TRUE(gGame.m_separationPending);
    EXPECT_EQ(log.find("Checkpoint saved!"), log.rfind("Checkpoint saved!"));
    const glm::vec3 landerAt = player->state.position;

    // The ride goes on, an EMP stops the parked crawler; R puts all of it back.
    for (int i = 0; i < 90; ++i)
        gGame.update(STEP);
    ASSERT_NE(c->m_position, crawlerAt);
    parked->m_driving = false;
    parked->m_disableTimer = 30.0f;
    gGame.update(STEP);
    gGame.restartLevel(false);
    EXPECT_EQ(c->m_position, crawlerAt);
    EXPECT_EQ(c->m_helium, 0);
    EXPECT_EQ(player->state.position, landerAt);
    EXPECT_TRUE(player->landed);
    EXPECT_EQ(player->dockedCrawler, c);
    EXPECT_FALSE(gGame.m_separationPending);
    EXPECT_TRUE(parked->m_driving);
    EXPECT_EQ(parked->m_disableTimer, 0.0f);
    EXPECT_EQ(c->m_lod[0]->m_model_matrix, c->modelMatrix());

    // Riding on from there; Shift+R then drops the checkpoint and starts everything afresh.
    const glm::vec3 p = c->m_position;
    const glm::quat q = c->m_orientation;
    gGame.update(STEP);
    EXPECT_EQ(player->dockedCrawler, c);
    EXPECT_EQ(player->state.position, p + q * player->relativePosition);
    gGame.restartLevel(true);
    EXPECT_FALSE(gGame.m_hasCheckpoint);
    EXPECT_EQ(c->m_helium, c->m_start.m_helium);
    EXPECT_EQ(c->m_position, c->m_start.m_position);
    EXPECT_EQ(player->dockedCrawler, nullptr);
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
    const int bodies = gPhysics->m_scene->getNumCollisionObjects();
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
    // A trigger delay of no whole frame only takes the spin away; the fuse still burns.
    gDevKeysEnabled = true;
    gGame.m_empTriggerFrames = 0;
    pressB(GLFW_MOD_CONTROL);
    gGame.m_empTriggerFrames = 600;
    EXPECT_TRUE(played(SOUND_LAUNCH_EMP));
    ASSERT_EQ(gGame.m_bombs.size(), 1u);
    EXPECT_EQ(gGame.m_empCount, 2);
    gGame.update(STEP);
    EXPECT_EQ(gGame.m_bombs.size(), 1u);
    EXPECT_EQ(std::count(gDrawList.begin(), gDrawList.end(), gGame.m_bombs[0]->m_model), 1);
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), bodies + 1);

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
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), bodies);
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
    const int bodies = gPhysics->m_scene->getNumCollisionObjects();
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
    // The loop crawler just inside the blast's reach stops; the parked one far away
    // does not.
    Crawler* near = gGame.m_crawlers.at(1);
    Crawler* far = gGame.m_crawlers.at(0);
    CrawlerState moved = *near;
    moved.m_position = first->position() + glm::vec3(0.0f, 0.0f, 0.9f * gGame.m_empRadius);
    near->restore(moved);
    ASSERT_GT(glm::length(far->m_position - first->position()), gGame.m_empRadius);
    testing::internal::CaptureStdout();
    gGame.update(STEP);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(gGame.m_bombs.empty());
    EXPECT_EQ(gPhysics->m_scene->getNumCollisionObjects(), bodies);
    EXPECT_FALSE(near->m_driving);
    EXPECT_EQ(near->m_disableTimer, gGame.m_level.crawler_disable_time);
    EXPECT_TRUE(far->m_driving);
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
