// A wheeled tanker that drives a loop of waypoints over the terrain and carries helium
// and fuel for the lander, which docks on its landing pad. All crawlers share one set
// of class-wide templates (three detail levels, wheel and pad data, one box shape),
// built by the first constructor of a level and torn down by destroyTemplates().
#pragma once

#include "physics/Physics.h"
#include "platform/FixedStepClock.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <string>

class btCollisionObject;
class Heightfield;
class Model;
struct CrawlerDef;

// Everything that changes while a crawler drives: what the level start and the
// checkpoints save and put back in one copy.
struct CrawlerState {
    glm::vec3 m_position = glm::vec3(0.0f);
    glm::quat m_orientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    glm::vec3 m_heading = glm::vec3(0.0f, 0.0f, 1.0f); // horizontal: (cos h, 0, -sin h)
    float m_speed = 0.0f;            // world units per second; negative drives backwards
    float m_speedUponLanding = 0.0f; // taken on at a docking; negative keeps the speed
    int32_t m_helium = 600;
    int32_t m_fuel = -1; // negative: unlimited
    int32_t m_waypointIndex = 0; // the waypoint last reached
    bool m_driving = true;       // false while an EMP blast holds it
    float m_disableTimer = 0.0f; // seconds the EMP stop still lasts
    float m_wheelAngle = 0.0f;   // radians
};

// The landing pad in the crawler's own frame.
constexpr float CRAWLER_PAD_MIN_X = -4.5f;
constexpr float CRAWLER_PAD_MAX_X = 4.5f;
constexpr float CRAWLER_PAD_MIN_Z = -14.0f;
constexpr float CRAWLER_PAD_MAX_Z = 0.5f;

class Crawler : public CrawlerState {
public:
    // Builds the templates on first use, then this crawler's models and its static
    // physics body. `number` names it ("Crawler" + number).
    explicit Crawler(int number);
    ~Crawler();
    Crawler(const Crawler&) = delete;
    Crawler& operator=(const Crawler&) = delete;

    // Frees the class-wide templates after the level's last crawler is gone.
    static void destroyTemplates();

    // Takes the level record; m_terrain must be set before.
    void init(const CrawlerDef* def);
    // One frame: at most one fixed step (or one step of dt with forceStep).
    void update(bool forceStep, const glm::vec3& viewerPos, float dt);
    void updatePose();
    void alignToTerrain();
    // The given box (half extents, pose of its centre) against this crawler's box.
    bool overlaps(const glm::vec3& half, const Pose& pose) const;
    // translate(m_position) * rotation of m_orientation.
    glm::mat4 modelMatrix() const;
    // Puts a saved state back and moves the models and the body there.
    void restore(const CrawlerState& state);
    // Back to the level start, with no part-step time left over.
    void restoreStart();
    // "<prefix>pos [x y z] fuel:<fuel> helium:<helium>"
    void print(const std::string& prefix) const;

    static bool preRender(void* crawler, Model* model, const glm::mat4& projView);
    static void postRender(void* crawler, Model* model, const glm::mat4& projView);

    // Template data the contact code and tests read
    static glm::vec3 boundsMin();
    static glm::vec3 boundsMax();
    static float wheelRadius();

    float m_turnRate = 0.31415927f; // radians per second
    Model* m_lod[3] = {nullptr, nullptr, nullptr};
    CrawlerState m_start;      // the level start
    CrawlerState m_checkpoint; // the last checkpoint
    Heightfield* m_terrain = nullptr; // not owned
    FixedStepClock m_stepClock; // frame time not yet driven
    int32_t m_numWaypoints = 0;
    bool m_cycleWaypoints = true;
    glm::vec2* m_waypoints = nullptr; // owned; world x, z
    std::string m_name;
    btCollisionObject* m_actor = nullptr; // owned; "CrawlerActor"

private:
    void chooseDetail(const glm::vec3& viewerPos);
    void drive(float step);
    void steer(float step);
    void passWaypoint();
};
