// The lander the user flies: its own rigid body advanced in fixed steps of 1/60 s,
// fuel and helium, the autopilot, landing and collision tests against the world,
// the two-stage model with its separation, the attitude-thruster cones and the
// explosion.
#pragma once

#include "physics/Physics.h"
#include "platform/FixedStepClock.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <vector>

class Camera;
class Crawler;
class Crystal;
class Heightfield;
class Liquid;
class Model;
class Shader;
class Texture;

// Largest amounts the lander can carry; the HUD scales its gauges by them.
constexpr unsigned int PLAYER_MAX_FUEL = 6000;
constexpr unsigned int PLAYER_MAX_HELIUM = 3600;
// Fuel of a level start when the level gives none.
constexpr unsigned int PLAYER_DEFAULT_FUEL = 4500;

constexpr float PLAYER_STEP = 1.0f / 60.0f;

// Autopilot requests, as the input handling sets them each frame.
enum : uint16_t {
    AUTOPILOT_LEVEL = 0x01,      // up axis to world up
    AUTOPILOT_PROGRADE = 0x02,   // up axis along the velocity
    AUTOPILOT_RETROGRADE = 0x04, // up axis against the velocity
    AUTOPILOT_POINT_ONLY = 0x20, // with prograde/retrograde: no roll towards the sky
};

// The lander's body. Velocity, angular velocity and spin are derived from the rest by
// recalculate(); inertia is one scalar for every axis.
struct RigidBodyState {
    glm::vec3 position = glm::vec3(0.0f);
    glm::vec3 momentum = glm::vec3(0.0f);
    glm::vec3 angularMomentum = glm::vec3(0.0f);
    glm::quat orientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f); // lander to world
    glm::vec3 velocity = glm::vec3(0.0f);
    glm::vec3 angularVelocity = glm::vec3(0.0f);
    glm::quat spin = glm::quat(0.0f, 0.0f, 0.0f, 0.0f); // time derivative of orientation
    float size = 1.0f;
    float mass = 1.0f;
    float inverseMass = 1.0f;
    float inertia = 0.16666667f; // unit cube of mass 1
    float inverseInertia = 6.0f;

    void recalculate();
    bool isFinite() const;
};

// The lander's part of the level's checkpoint.
struct PlayerCheckpoint {
    FixedStepClock stepClock{PLAYER_STEP};
    bool stabilizerOffline = false;
    bool autopilotOffline = false;
    RigidBodyState state;
    bool landed = false;
    bool collided = false;
    Crawler* dockedCrawler = nullptr;
    Crawler* bottomStageCrawler = nullptr;
    glm::vec3 relativePosition = glm::vec3(0.0f);
    glm::quat relativeOrientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    bool exploding = false;
    bool destroyed = false;
    int explosionFrame = 0;
    unsigned int fuel = 0;
    unsigned int helium = 0;
    bool split = false;
    float splitTimer = 0.0f;
    glm::mat4 bottomStageMatrix = glm::mat4(1.0f); // where the separated lower stage stood
};

class Player {
public:
    // Builds the lander with its models and effects. Without models (a flight-model
    // check that runs without a GL context) everything but the drawing works; the
    // contact boxes then come from setBodyBounds.
    explicit Player(bool buildModels = true);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Flight
    void integrate(RigidBodyState& s, float dt);
    bool update(bool forceStep, float dt);
    void setInitialFuel(unsigned int initialFuel);
    void clearMomenta();
    void reset();
    void updateTransforms();
    glm::vec3 upAxis() const;
    glm::mat4 poseMatrix() const; // translate(position) * rotation

    // Contacts and landing
    void setTerrain(Heightfield* h);
    void setBodyBounds(const glm::vec3& min, const glm::vec3& max, const glm::vec3* topMin, const glm::vec3* topMax);
    bool lowerProbeTouchesTerrain() const;
    bool upperProbeTouchesTerrain() const;
    bool lowerProbeTouchesCrawler(const Crawler* c) const;
    bool upperProbeTouchesCrawler(const Crawler* c) const;
    // Docking on c's landing pad; sets `landed` when the lander sits on it.
    void resolveCrawlerContact(Crawler* c, bool wasLanded);
    // The lander's body (the top stage after the separation) against a box.
    bool bodyOverlaps(const glm::vec3& boxHalf, const Pose& boxPose) const;
    bool bodyOverlapsTerrain() const;
    Pose landerPose() const;
    Pose probePose(float offset) const;
    void checkLandingConditions();
    void updateContacts();

    // Model, stages and effects
    void buildNamedMeshes();
    void setSplit(bool on);
    glm::vec3 getCameraFocus() const;
    // Model matrices of the attitude-thruster cones to show this frame; returns their number.
    static constexpr int MAX_RCS_CONES = 12;
    int rcsConeTransforms(glm::mat4 out[MAX_RCS_CONES]) const;
    void drawRcsCones(const glm::mat4& projView);
    // Cell of the 8 x 8 explosion sheet: frame 0 is the top-left cell, rows go down.
    static glm::vec2 explosionUvOffset(int frame);
    void drawExplosion(const glm::mat4& projView, const Camera* camera);
    void printState() const;
    void setNormalMapping(bool on);
    void setActiveModelVisible(bool visible);

    // Checkpoint
    void saveCheckpoint();
    void loadCheckpoint();
    PlayerCheckpoint checkpoint;

    // Set by the game before every update
    bool stabilizerOffline = false;
    bool autopilotOffline = false;

    RigidBodyState state;
    glm::vec3 force = glm::vec3(0.0f);
    glm::vec3 torque = glm::vec3(0.0f);
    float angularDamping = 0.0f;
    bool nonFiniteWarned = false; // the step guard has said once that it held the lander

    // The game's entity lists, set by the level start
    std::vector<Crawler*>* crawlers = nullptr;
    std::vector<Liquid*>* liquids = nullptr;
    std::vector<Crystal*>* crystals = nullptr;

    glm::vec3 startPosition = glm::vec3(0.0f);
    glm::vec3 startMomentum = glm::vec3(0.0f);
    glm::quat startOrientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);

    // Control inputs, written by the input handling
    int pitchInput = 0; // about the lander's x axis
    int yawInput = 0;   // about its y (up) axis
    int rollInput = 0;  // about its z axis
    int thrustInput = 0;
    uint16_t autopilotBits = 0;

    // Commands of the current step
    glm::vec3 rotationCommand = glm::vec3(0.0f);
    float thrustCommand = 0.0f;

    float mainThrustAcceleration = 20.0f;
    float sideThrustFactor = 0.39269909f;
    float angularDecayFactor = 0.01f;

    FixedStepClock stepClock{PLAYER_STEP};
    float boundingRadius = 0.0f;

    Heightfield* terrain = nullptr;
    const HeightField* terrainGeometry = nullptr; // the terrain's physics heights
    Pose terrainPose;

    Model* activeModel = nullptr;
    Model* rcsConeModel = nullptr;

    // Contact geometry in the lander's frame (half extents and centre offsets on y)
    glm::vec3 bodyHalf = glm::vec3(0.0f);
    glm::vec3 upperProbeHalf = glm::vec3(0.0f);
    glm::vec3 lowerProbeHalf = glm::vec3(0.0f);
    glm::vec3 topStageHalf = glm::vec3(0.0f);
    bool hasTopStageBox = false;
    float upperProbeOffset = 0.0f;
    float lowerProbeOffset = 0.0f;
    float topStageBoxOffset = -0.45f;

    bool landed = false;
    bool collided = false;
    Crawler* dockedCrawler = nullptr;
    Crawler* bottomStageCrawler = nullptr;
    glm::vec3 relativePosition = glm::vec3(0.0f);
    glm::quat relativeOrientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    bool landingPossible = false;
    bool speedOk = false;
    bool slopeOk = false;
    bool attitudeOk = false;
    float thrustCutTimer = 0.0f;
    float slopeLimit = 0.8660254f;    // cos(30 degrees)
    float attitudeLimit = 0.8660254f; // cos(30 degrees)
    float momentumLimitSquared = 225.0f;
    float bottomOffset = 0.0f;

    bool exploding = false;
    bool destroyed = false;
    int explosionFrame = 0;
    int explosionFrameCount = 64;
    float explosionSize = 0.0f;
    Texture* explosionTexture = nullptr;
    Shader* quadShader = nullptr;
    unsigned int explosionVao = 0;

    unsigned int initialFuel = PLAYER_DEFAULT_FUEL;
    unsigned int fuel = PLAYER_DEFAULT_FUEL;
    unsigned int helium = 0;

    float modelScale = 0.35f;
    float stageOffset = -1.1865f;
    float separationSpeed = 5.0f;
    Model* wholeModel = nullptr;
    Model* topStageModel = nullptr;
    Model* bottomStageModel = nullptr;
    bool split = false;
    float splitTimer = 0.0f;

    glm::mat4 coneOrientations[5];
    float coneOffset = 1.35f;
    float coneDrop = 0.022222222f;

    // Riding a crawler: the lander (or the separated lower stage) sits at the crawler's
    // pose times the relative pose, and a docked lander takes one step's share of the
    // crawler's fuel (negative = unlimited) and helium.
    void rideOn(const glm::vec3& crawlerPosition, const glm::quat& crawlerOrientation);
    void placeBottomStage(const glm::vec3& crawlerPosition, const glm::quat& crawlerOrientation);
    void takeSupplies(int32_t& crawlerFuel, int32_t& crawlerHelium);

private:
    void runAutopilot(uint16_t bits, const glm::vec3& up);
    void buildModels();
    void touchdownOnTerrain();
};
