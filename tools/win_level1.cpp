// A scripted pilot that wins level 1 from its start through the game's own update,
// with nothing but the inputs the keyboard gives the lander (main thrust, pitch, yaw
// and roll): it flies to each crawler with helium, docks on its pad, waits until the
// crawler is empty, takes off for the next one, and after the separation climbs with
// the upper stage above the target height. Run it with tools/win_level1.sh; it prints
// the game seconds the win took.
#include "GameGl.h"

#include "app/Globals.h"
#include "level/Game.h"
#include "level/Heightfield.h"
#include "lander/Player.h"
#include "objects/Crawler.h"
#include "objects/Crystal.h"
#include "objects/Liquid.h"

#include <glm/gtc/matrix_transform.hpp>

#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const float STEP = 1.0f / 60.0f;
const float MAX_TILT = 0.45f; // radians

float clampLength(float v, float limit)
{
    return std::clamp(v, -limit, limit);
}

glm::vec2 clampLength(glm::vec2 v, float limit)
{
    const float l = glm::length(v);
    return l > limit ? v * (limit / l) : v;
}

float sign(float v)
{
    return v > 0.0f ? 1.0f : -1.0f;
}

class Pilot {
public:
    Pilot(Game& game, Player& player) : m_game(game), m_p(player) {}

    // One frame's inputs that push the lander with the world acceleration `want`.
    void push(glm::vec3 want, float maxTilt)
    {
        glm::vec3 thrust = want + glm::vec3(0.0f, gGravity, 0.0f);
        thrust.y = std::max(thrust.y, 1.0f);
        glm::vec2 side(thrust.x, thrust.z);
        side = clampLength(side, thrust.y * std::tan(maxTilt));
        thrust = glm::vec3(side.x, thrust.y, side.y);

        const glm::vec3 up = m_p.upAxis();
        const float need = std::clamp(glm::dot(thrust, up) / m_p.mainThrustAcceleration, 0.0f, 1.0f);
        m_thrustBudget += need;
        m_p.thrustInput = 0;
        if (m_thrustBudget >= 1.0f) {
            m_p.thrustInput = 1;
            m_thrustBudget -= 1.0f;
        }
        turnUpTowards(glm::normalize(thrust));
    }

    void turnUpTowards(const glm::vec3& wanted)
    {
        const glm::quat toBody = glm::conjugate(m_p.state.orientation);
        const glm::vec3 error = toBody * glm::cross(m_p.upAxis(), wanted);
        const glm::vec3 spin = toBody * m_p.state.angularVelocity;
        const glm::vec3 diff = error * 4.0f - spin;
        m_p.pitchInput = std::fabs(diff.x) > 0.03f ? static_cast<int>(sign(diff.x)) : 0;
        m_p.rollInput = std::fabs(diff.z) > 0.03f ? static_cast<int>(sign(diff.z)) : 0;
        m_p.yawInput = std::fabs(spin.y) > 0.03f ? -static_cast<int>(sign(spin.y)) : 0;
    }

    void release()
    {
        m_p.thrustInput = m_p.pitchInput = m_p.yawInput = m_p.rollInput = 0;
        m_thrustBudget = 0.0f;
    }

    // The crawler with helium closest to the lander.
    Crawler* nextCrawler() const
    {
        Crawler* best = nullptr;
        float bestDistance = 1e30f;
        for (Crawler* c : m_game.m_crawlers) {
            if (c->m_helium <= 0)
                continue;
            const float d = glm::distance(c->m_position, m_p.state.position);
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        return best;
    }

    // Flies to a point over c's pad, then down onto it, matching the crawler's motion.
    void approach(const Crawler& c)
    {
        const glm::vec3 forward = c.m_orientation * glm::vec3(0.0f, 0.0f, 1.0f);
        const glm::vec3 v = c.m_driving ? forward * c.m_speed : glm::vec3(0.0f);
        const glm::vec3 pad = glm::vec3(c.modelMatrix() * glm::vec4(0.0f, Crawler::boundsMax().y, -7.0f, 1.0f));
        const glm::vec3 feet = m_p.state.position + m_p.state.orientation * glm::vec3(0.0f, m_p.bottomOffset, 0.0f);
        const glm::vec3& vel = m_p.state.velocity;

        const glm::vec2 off(pad.x - feet.x, pad.z - feet.z);
        const float distance = glm::length(off);
        const glm::vec2 wantV = glm::vec2(v.x, v.z) + clampLength(off * 0.35f, 14.0f);
        const glm::vec2 side = (wantV - glm::vec2(vel.x, vel.z)) * 1.2f;

        // Clear the ground on the way (looking a little ahead), then sink onto the pad
        // once right over it.
        const glm::vec3 ahead = m_p.state.position + vel * 2.0f;
        const float ground = std::max(m_game.m_heightfield->getHeight(m_p.state.position, nullptr),
                                      m_game.m_heightfield->getHeight(ahead, nullptr));
        const float relative = glm::length(glm::vec2(vel.x - v.x, vel.z - v.z));
        float vy;
        float tilt = MAX_TILT;
        if (distance < 1.5f && relative < 1.0f) {
            const float height = feet.y - pad.y;
            vy = -std::clamp(0.5f * height, 1.0f, 4.0f);
            tilt = 0.15f;
        } else {
            const bool near = distance < 40.0f;
            const float wantY = near ? pad.y + 8.0f : std::max(ground + 30.0f, pad.y + 20.0f);
            vy = clampLength(wantY - feet.y, 6.0f);
            if (!near && feet.y < ground + 15.0f)
                vy = std::max(vy, 3.0f);
        }
        const float up = (vy - vel.y) * 2.0f;
        push(glm::vec3(side.x, clampLength(up, 10.0f), side.y), tilt);
    }

    // Straight up, upright.
    void climb()
    {
        push(glm::vec3(0.0f, 30.0f, 0.0f) - glm::vec3(m_p.state.velocity.x, 0.0f, m_p.state.velocity.z), 0.1f);
    }

private:
    Game& m_game;
    Player& m_p;
    float m_thrustBudget = 0.0f;
};

class WinLevel1 : public PlayingGlTest {
protected:
    void SetUp() override
    {
        PlayingGlTest::SetUp();
        // KESTRUN_LEVEL picks another level to fly the same way.
        const char* level = std::getenv("KESTRUN_LEVEL");
        startLevel(level ? std::atoi(level) : 1);
    }
};

} // namespace

TEST_F(WinLevel1, FromTheStartToMissionAccomplished)
{
    Player& p = *gGame.m_player;
    Pilot pilot(gGame, p);
    const int limit = 60 * 60 * 10; // ten minutes of game time
    int step = 0;
    int dockings = 0;
    int takeOff = 0;
    Crawler* target = nullptr;
    for (; step < limit && !gGame.m_missionAccomplished; ++step) {
        ASSERT_FALSE(p.exploding || p.destroyed) << "crashed after " << step * STEP << " s";
        if (gGame.isPlayerControllable()) {
            if (p.split) {
                pilot.climb();
            } else if (p.landed && p.dockedCrawler) {
                if (p.dockedCrawler != target) {
                    target = p.dockedCrawler;
                    ++dockings;
                    std::printf("%6.1f s: docked on %s (helium %u)\n", step * STEP, target->m_name.c_str(), p.helium);
                }
                pilot.release();
                if (target->m_helium == 0)
                    takeOff = 60;
            } else if (p.landed) {
                takeOff = 30; // on the ground beside the pad: lift off and try again
            }
            if (takeOff > 0) {
                --takeOff;
                pilot.climb();
            } else if (!p.split && !(p.landed && p.dockedCrawler)) {
                Crawler* c = pilot.nextCrawler();
                if (c)
                    pilot.approach(*c);
                else
                    pilot.release();
            }
        }
        gGame.update(STEP);
    }
    const float seconds = step * STEP;
    std::printf("mission accomplished: %s after %.1f game seconds, %d dockings, helium %u, fuel %u, height %.0f\n",
                gGame.m_missionAccomplished ? "yes" : "no", seconds, dockings, p.helium, p.fuel, p.state.position.y);
    EXPECT_TRUE(gGame.m_missionAccomplished);
}

// Content check of every level: ten minutes of driving, in which each crawler must
// keep passing its waypoints (no circling) and never drive into a liquid or a crystal.
TEST_F(WinLevel1, CrawlersKeepToTheirRoutes)
{
    for (int level : {1, 2, 3}) {
        gGame.cleanup();
        startLevel(level);
        const glm::vec3 half = (Crawler::boundsMax() - Crawler::boundsMin()) * 0.5f;
        const glm::vec3 centre = (Crawler::boundsMax() + Crawler::boundsMin()) * 0.5f;
        for (Crawler* c : gGame.m_crawlers) {
            int passes = 0, hits = 0;
            float lowest = 1e9f, highest = -1e9f;
            for (int step = 0; step < 36000; ++step) {
                const int index = c->m_waypointIndex;
                c->update(true, c->m_position, STEP);
                passes += c->m_waypointIndex != index ? 1 : 0;
                const float ground = gGame.m_heightfield->getHeight(c->m_position, nullptr);
                lowest = std::min(lowest, c->m_position.y - ground);
                highest = std::max(highest, c->m_position.y - ground);
                const Pose box = poseFromMatrix(c->modelMatrix() * glm::translate(glm::mat4(1.0f), centre));
                bool hit = false;
                for (const Liquid* l : gGame.m_liquids)
                    hit = hit || overlapBoxes(half, box, l->shape, l->pose);
                for (const Crystal* k : gGame.m_crystals)
                    hit = hit || overlapBoxes(half, box, k->m_boxHalf, k->m_boxPose);
                hits += hit ? 1 : 0;
            }
            std::printf("level %d %s: speed %.1f, %d waypoints passed, ground offset %.2f..%.2f, %d steps in an "
                        "obstacle\n",
                        level, c->m_name.c_str(), c->m_speed, passes, lowest, highest, hits);
            EXPECT_EQ(hits, 0) << "level " << level << " " << c->m_name;
            if (c->m_numWaypoints > 1 && c->m_cycleWaypoints && c->m_speed > 0.0f)
                EXPECT_GE(passes, 4) << "level " << level << " " << c->m_name;
        }
    }
}
