// The lander's flight model against values worked out by hand.
#include "app/Globals.h"
#include "lander/Player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const float STEP = 1.0f / 60.0f;

// Restores the flight switches every test may change.
class Flight : public ::testing::Test {
protected:
    void SetUp() override
    {
        gGravity = 9.81f;
        gGravityEnabled = true;
        gDecayAngularVelocity = true;
        gDecayAngularVelocityFactor = 0.01f;
        gMainThrusterAcceleration = 20.0f;
        gSideThrusterAcceleration = 1.5707964f;
    }
    void TearDown() override { SetUp(); }

    static void steps(Player& p, int n)
    {
        for (int i = 0; i < n; ++i)
            p.update(true, STEP);
    }

    static float angleBetween(glm::vec3 a, glm::vec3 b)
    {
        const float c = glm::dot(glm::normalize(a), glm::normalize(b));
        return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
    }
};

} // namespace

TEST_F(Flight, FreeFallAndMainThrustFollowConstantAcceleration)
{
    // A constant force is integrated exactly by Runge-Kutta: y = y0 + a t^2 / 2.
    Player fall(false);
    fall.startPosition = glm::vec3(0.0f, 100.0f, 0.0f);
    fall.reset();
    steps(fall, 60);
    EXPECT_NEAR(fall.state.position.y, 100.0f - 0.5f * 9.81f, 1e-3f);
    EXPECT_NEAR(fall.state.velocity.y, -9.81f, 1e-4f);
    EXPECT_EQ(fall.state.position.x, 0.0f);
    EXPECT_EQ(fall.fuel, PLAYER_DEFAULT_FUEL);

    // Thrust of 20 against gravity of 9.81 for one second, one fuel unit per step.
    Player climb(false);
    climb.startPosition = glm::vec3(0.0f, 100.0f, 0.0f);
    climb.reset();
    climb.thrustInput = 1;
    steps(climb, 60);
    EXPECT_NEAR(climb.state.velocity.y, 10.19f, 1e-3f);
    EXPECT_NEAR(climb.state.position.y, 100.0f + 0.5f * 10.19f, 1e-3f);
    EXPECT_EQ(climb.fuel, PLAYER_DEFAULT_FUEL - 60);
}

TEST_F(Flight, ThrustStopsWithTheLastFuelUnit)
{
    Player p(false);
    p.setInitialFuel(1);
    p.reset();
    p.thrustInput = 1;
    gGravityEnabled = false;
    p.update(true, STEP);
    EXPECT_EQ(p.fuel, 0u);
    EXPECT_EQ(p.thrustCommand, 1.0f);
    const float speed = p.state.velocity.y;
    EXPECT_NEAR(speed, 20.0f * STEP, 1e-5f);
    p.update(true, STEP);
    EXPECT_EQ(p.fuel, 0u);
    EXPECT_EQ(p.thrustCommand, 0.0f);
    EXPECT_EQ(p.state.velocity.y, speed);

    // A thrust cut (after a crawler touchdown) also keeps the engine off without fuel use.
    p.setInitialFuel(100);
    p.reset();
    p.thrustCutTimer = 0.5f;
    steps(p, 29);
    EXPECT_EQ(p.fuel, 100u);
    steps(p, 3);
    EXPECT_LT(p.fuel, 100u);
}

TEST_F(Flight, AttitudePulseAndItsDamping)
{
    gGravityEnabled = false;
    Player p(false);
    EXPECT_FLOAT_EQ(p.sideThrustFactor, 0.39269909f);

    // One step of pitch: dL/dt = tau - 6 * 0.1 * L, so L(h) = tau (1 - e^(-0.6 h)) / 0.6.
    p.pitchInput = 1;
    p.update(true, STEP);
    EXPECT_FLOAT_EQ(p.angularDamping, 0.1f);
    const float tau = 0.39269909f;
    const float afterPulse = tau * (1.0f - std::exp(-0.6f * STEP)) / 0.6f;
    EXPECT_NEAR(p.state.angularMomentum.x, afterPulse, 1e-6f);
    EXPECT_NEAR(p.state.angularMomentum.y, 0.0f, 1e-7f);

    // One second of coasting: L decays by e^(-0.6) while the torque is off.
    p.pitchInput = 0;
    steps(p, 60);
    EXPECT_NEAR(p.state.angularMomentum.x, afterPulse * std::exp(-0.6f), 1e-6f);
    // The lander has turned about its x axis, pitching the nose (+z) down.
    EXPECT_GT(p.upAxis().z, 0.0f);
    EXPECT_NEAR(p.upAxis().x, 0.0f, 1e-6f);

    // With the stabiliser offline there is no damping at all.
    const float before = p.state.angularMomentum.x;
    p.stabilizerOffline = true;
    steps(p, 60);
    EXPECT_EQ(p.angularDamping, 0.0f);
    EXPECT_NEAR(p.state.angularMomentum.x, before, 1e-7f);
}

TEST_F(Flight, AutopilotModesTurnTheUpAxisToTheirTargets)
{
    gGravityEnabled = false;
    const glm::quat tilted = glm::angleAxis(1.0f, glm::normalize(glm::vec3(1.0f, 0.0f, 0.4f)));

    struct Mode {
        uint16_t bits;
        glm::vec3 momentum;
        glm::vec3 target;
    } modes[] = {
        {AUTOPILOT_LEVEL, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f)},
        {AUTOPILOT_PROGRADE, glm::vec3(3.0f, 0.0f, 0.0f), glm::vec3(1.0f, 0.0f, 0.0f)},
        {AUTOPILOT_RETROGRADE, glm::vec3(3.0f, 0.0f, 0.0f), glm::vec3(-1.0f, 0.0f, 0.0f)},
        {AUTOPILOT_PROGRADE | AUTOPILOT_POINT_ONLY, glm::vec3(0.0f, 0.0f, -2.0f), glm::vec3(0.0f, 0.0f, -1.0f)},
        {AUTOPILOT_LEVEL | AUTOPILOT_PROGRADE, glm::vec3(2.0f, 0.0f, 0.0f),
         glm::normalize(glm::vec3(1.0f, 1.0f, 0.0f))},
    };
    for (const Mode& mode : modes) {
        for (bool stabilizer : {true, false}) {
            Player p(false);
            p.startOrientation = tilted;
            p.startMomentum = mode.momentum;
            p.reset();
            p.stabilizerOffline = !stabilizer;
            p.autopilotBits = mode.bits;
            steps(p, 20 * 60);
            EXPECT_LT(angleBetween(p.upAxis(), mode.target), 0.03f)
                << "bits " << mode.bits << (stabilizer ? "" : " without stabiliser");
            EXPECT_LT(glm::length(p.state.angularVelocity), 0.1f) << "bits " << mode.bits;
        }
    }

    // Prograde with roll alignment turns the lander's +z towards the sky.
    Player roll(false);
    roll.startOrientation = tilted;
    roll.startMomentum = glm::vec3(3.0f, 0.0f, 0.0f);
    roll.reset();
    roll.autopilotBits = AUTOPILOT_PROGRADE;
    steps(roll, 20 * 60);
    EXPECT_GT((roll.state.orientation * glm::vec3(0.0f, 0.0f, 1.0f)).y, 0.99f);
}

TEST_F(Flight, AutopilotWithoutADirectionCommandsNothing)
{
    gGravityEnabled = false;
    struct Case {
        uint16_t bits;
        glm::vec3 momentum;
    } cases[] = {
        {AUTOPILOT_PROGRADE, glm::vec3(0.0f)},
        {AUTOPILOT_RETROGRADE, glm::vec3(0.0f)},
        {AUTOPILOT_PROGRADE | AUTOPILOT_RETROGRADE, glm::vec3(1.0f, 2.0f, 3.0f)},
        {AUTOPILOT_LEVEL | AUTOPILOT_RETROGRADE, glm::vec3(0.0f, 4.0f, 0.0f)},
        {AUTOPILOT_PROGRADE, glm::vec3(1e-30f, 0.0f, 0.0f)},
    };
    for (const Case& c : cases) {
        Player p(false);
        p.startOrientation = glm::angleAxis(0.5f, glm::vec3(0.0f, 0.0f, 1.0f));
        p.startMomentum = c.momentum;
        p.reset();
        p.autopilotBits = c.bits;
        steps(p, 120);
        EXPECT_EQ(p.rotationCommand, glm::vec3(0.0f)) << "bits " << c.bits;
        EXPECT_TRUE(p.state.isFinite()) << "bits " << c.bits;
        EXPECT_EQ(p.state.angularMomentum, glm::vec3(0.0f));
    }

    // Already level within 0.01 rad: no command. Manual rotation overrides levelling.
    Player level(false);
    level.startOrientation = glm::angleAxis(0.004f, glm::vec3(1.0f, 0.0f, 0.0f));
    level.reset();
    level.autopilotBits = AUTOPILOT_LEVEL;
    level.update(true, STEP);
    EXPECT_EQ(level.rotationCommand, glm::vec3(0.0f));
    level.startOrientation = glm::angleAxis(0.5f, glm::vec3(1.0f, 0.0f, 0.0f));
    level.reset();
    level.autopilotBits = AUTOPILOT_LEVEL;
    level.yawInput = -1;
    level.update(true, STEP);
    EXPECT_EQ(level.rotationCommand, glm::vec3(0.0f, -1.0f, 0.0f));
    level.yawInput = 0;
    level.autopilotOffline = true;
    level.update(true, STEP);
    EXPECT_EQ(level.rotationCommand, glm::vec3(0.0f));
    level.autopilotOffline = false;
    level.update(true, STEP);
    EXPECT_NEAR(std::fabs(level.rotationCommand.x), 1.0f, 1e-6f);
}

TEST_F(Flight, EveryInputAtOnceKeepsTheStateFinite)
{
    Player p(false);
    p.startPosition = glm::vec3(0.0f, 50.0f, 0.0f);
    p.reset();
    for (int i = 0; i < 6000; ++i) {
        p.pitchInput = (i / 7) % 3 - 1;
        p.yawInput = (i / 11) % 3 - 1;
        p.rollInput = (i / 13) % 3 - 1;
        p.thrustInput = (i / 5) % 2;
        p.autopilotBits = static_cast<uint16_t>(i % 0x40);
        p.stabilizerOffline = (i / 300) % 2;
        p.update(i % 3 != 0, i % 17 == 0 ? std::numeric_limits<float>::quiet_NaN() : STEP);
        ASSERT_TRUE(p.state.isFinite()) << "step " << i;
    }
    EXPECT_TRUE(std::isfinite(p.stepClock.backlog()));
}

TEST_F(Flight, GravityBeyondFloatHoldsTheLanderAndSaysSoOnce)
{
    Player p(false);
    p.startPosition = glm::vec3(0.0f, 50.0f, 0.0f);
    p.reset();
    gGravity = 3e38f; // a level file's value: the first step overflows
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5; ++i)
        p.update(true, STEP);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(p.state.isFinite());
    EXPECT_EQ(p.state.position, glm::vec3(0.0f, 50.0f, 0.0f));
    const size_t first = out.find("WARNING: ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(out.find("WARNING: ", first + 1), std::string::npos) << out;
}

TEST_F(Flight, StepsFollowTheLanderClockUnlessForced)
{
    Player p(false);
    // Frames of 1/120 s: a step on every second call.
    int stepped = 0;
    for (int i = 0; i < 10; ++i)
        stepped += p.update(false, 1.0f / 120.0f) ? 1 : 0;
    EXPECT_EQ(stepped, 5);
    // A forced step runs at once and leaves the clock alone.
    const float backlog = p.stepClock.backlog();
    EXPECT_TRUE(p.update(true, STEP));
    EXPECT_EQ(p.stepClock.backlog(), backlog);
    // A reset lander starts its clock afresh.
    p.update(false, 0.01f);
    p.reset();
    EXPECT_EQ(p.stepClock.backlog(), 0.0f);
}

TEST_F(Flight, SuppliesFromADockedCrawler)
{
    Player p(false);
    int32_t crawlerFuel = 2, crawlerHelium = 600;
    p.fuel = 5999;
    p.takeSupplies(crawlerFuel, crawlerHelium);
    EXPECT_EQ(p.fuel, 6000u);
    EXPECT_EQ(crawlerFuel, 1);
    EXPECT_EQ(p.helium, 1u);
    EXPECT_EQ(crawlerHelium, 599);

    // Negative crawler fuel is an unlimited supply: three units per step.
    crawlerFuel = -1;
    p.fuel = 100;
    p.takeSupplies(crawlerFuel, crawlerHelium);
    EXPECT_EQ(p.fuel, 103u);
    EXPECT_EQ(crawlerFuel, -1);
    EXPECT_EQ(crawlerHelium, 598);

    // A full helium store takes no more; an empty or broken crawler store gives none.
    p.helium = PLAYER_MAX_HELIUM;
    p.takeSupplies(crawlerFuel, crawlerHelium);
    EXPECT_EQ(p.helium, PLAYER_MAX_HELIUM);
    EXPECT_EQ(crawlerHelium, 598);
    p.helium = 10;
    crawlerHelium = -5;
    p.takeSupplies(crawlerFuel, crawlerHelium);
    EXPECT_EQ(p.helium, 10u);
    EXPECT_EQ(crawlerHelium, -5);
}

TEST_F(Flight, ThrusterConesAndExplosionCells)
{
    Player p(false);
    glm::mat4 cones[Player::MAX_RCS_CONES];
    p.rotationCommand = glm::vec3(0.1f, -0.1f, 0.1f);
    EXPECT_EQ(p.rcsConeTransforms(cones), 0);
    p.rotationCommand = glm::vec3(0.11f, 0.0f, 0.0f);
    EXPECT_EQ(p.rcsConeTransforms(cones), 2);
    p.rotationCommand = glm::vec3(0.0f, 0.0f, -0.11f);
    EXPECT_EQ(p.rcsConeTransforms(cones), 2);
    p.rotationCommand = glm::vec3(0.0f, 0.11f, 0.0f);
    EXPECT_EQ(p.rcsConeTransforms(cones), 4);

    // Positive pitch: a downward cone at -z and an upward one at +z, 1.35 from the axis.
    p.state.position = glm::vec3(10.0f, 20.0f, 30.0f);
    p.rotationCommand = glm::vec3(1.0f, 0.0f, 0.0f);
    ASSERT_EQ(p.rcsConeTransforms(cones), 2);
    EXPECT_NEAR(glm::length(glm::vec3(cones[0][3]) - glm::vec3(10.0f, 20.0f, 28.65f)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::length(glm::vec3(cones[1][3]) - glm::vec3(10.0f, 20.0f, 31.35f)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::vec3(cones[1] * glm::vec4(0.0f, -1.0f, 0.0f, 0.0f)).y, 1.0f, 1e-6f);

    // The first second after the separation adds four cones, even without commands.
    p.rotationCommand = glm::vec3(0.0f);
    p.setSplit(true);
    EXPECT_EQ(p.rcsConeTransforms(cones), 4);
    p.splitTimer = 0.0f;
    EXPECT_EQ(p.rcsConeTransforms(cones), 0);

    EXPECT_EQ(Player::explosionUvOffset(0), glm::vec2(0.0f, 0.875f));
    EXPECT_EQ(Player::explosionUvOffset(63), glm::vec2(0.875f, 0.0f));
}
