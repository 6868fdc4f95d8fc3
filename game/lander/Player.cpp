// The lander's flight: rigid body, Runge-Kutta step, thrust, attitude thrusters,
// autopilot, fuel and the fixed-step pacing.
#include "lander/Player.h"

#include "platform/Fatal.h"
#include "app/Globals.h"
#include "objects/Crawler.h"
#include "scene/Orientation.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

const glm::vec3 WORLD_UP(0.0f, 1.0f, 0.0f);

bool finite3(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finite4(const glm::quat& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// Rate of change of the four integrated fields of a state.
struct Derivative {
    glm::vec3 position;
    glm::vec3 momentum;
    glm::quat orientation;
    glm::vec3 angularMomentum;
};

// s + d * h for the integrated fields; the derived fields are recomputed.
RigidBodyState advanced(const RigidBodyState& s, const Derivative& d, float h)
{
    RigidBodyState r = s;
    r.position = s.position + d.position * h;
    r.momentum = s.momentum + d.momentum * h;
    r.orientation.x = s.orientation.x + d.orientation.x * h;
    r.orientation.y = s.orientation.y + d.orientation.y * h;
    r.orientation.z = s.orientation.z + d.orientation.z * h;
    r.orientation.w = s.orientation.w + d.orientation.w * h;
    r.angularMomentum = s.angularMomentum + d.angularMomentum * h;
    r.recalculate();
    return r;
}

glm::vec3 rk4Sum(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c, const glm::vec3& d)
{
    return a + 2.0f * b + 2.0f * c + d;
}

} // namespace

void RigidBodyState::recalculate()
{
    velocity = momentum * inverseMass;
    angularVelocity = angularMomentum * inverseInertia;
    const float l = std::sqrt(orientation.x * orientation.x + orientation.y * orientation.y +
                              orientation.z * orientation.z + orientation.w * orientation.w);
    if (l > 0.0f) {
        const float inv = 1.0f / l;
        orientation.x *= inv;
        orientation.y *= inv;
        orientation.z *= inv;
        orientation.w *= inv;
    } else {
        orientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    }
    const glm::quat omega(0.0f, angularVelocity.x, angularVelocity.y, angularVelocity.z);
    spin = 0.5f * (omega * orientation);
}

bool RigidBodyState::isFinite() const
{
    return finite3(position) && finite3(momentum) && finite3(angularMomentum) && finite4(orientation) &&
           finite3(velocity) && finite3(angularVelocity) && finite4(spin);
}

void Player::integrate(RigidBodyState& s, float dt)
{
    auto derivativeOf = [this](const RigidBodyState& t) {
        return Derivative{t.velocity, force, t.spin, torque - t.angularVelocity * angularDamping};
    };
    const Derivative a = derivativeOf(s);
    const RigidBodyState s1 = advanced(s, a, dt * 0.5f);
    const Derivative b = derivativeOf(s1);
    const RigidBodyState s2 = advanced(s, b, dt * 0.5f);
    const Derivative c = derivativeOf(s2);
    const RigidBodyState s3 = advanced(s, c, dt);
    const Derivative d = derivativeOf(s3);

    const float h = dt / 6.0f;
    s.position += rk4Sum(a.position, b.position, c.position, d.position) * h;
    s.momentum += rk4Sum(a.momentum, b.momentum, c.momentum, d.momentum) * h;
    s.angularMomentum += rk4Sum(a.angularMomentum, b.angularMomentum, c.angularMomentum, d.angularMomentum) * h;
    s.orientation.x += (a.orientation.x + 2.0f * b.orientation.x + 2.0f * c.orientation.x + d.orientation.x) * h;
    s.orientation.y += (a.orientation.y + 2.0f * b.orientation.y + 2.0f * c.orientation.y + d.orientation.y) * h;
    s.orientation.z += (a.orientation.z + 2.0f * b.orientation.z + 2.0f * c.orientation.z + d.orientation.z) * h;
    s.orientation.w += (a.orientation.w + 2.0f * b.orientation.w + 2.0f * c.orientation.w + d.orientation.w) * h;
    s.recalculate();
}

glm::vec3 Player::upAxis() const
{
    return state.orientation * WORLD_UP;
}

glm::mat4 Player::poseMatrix() const
{
    glm::mat4 m = glm::mat4_cast(state.orientation);
    m[3] = glm::vec4(state.position, 1.0f);
    return m;
}

void Player::setInitialFuel(unsigned int value)
{
    if (value > PLAYER_MAX_FUEL)
        fatalError("Initial fuel too high");
    initialFuel = value;
}

void Player::clearMomenta()
{
    state.momentum = glm::vec3(0.0f);
    state.angularMomentum = glm::vec3(0.0f);
    state.recalculate();
}

void Player::reset()
{
    if (split)
        setSplit(false);
    state.position = startPosition;
    state.orientation = startOrientation;
    state.momentum = startMomentum;
    state.angularMomentum = glm::vec3(0.0f);
    state.recalculate();

    autopilotBits = 0;
    stepClock.reset();
    exploding = false;
    destroyed = false;
    landed = false;
    dockedCrawler = nullptr;
    setActiveModelVisible(true);
    fuel = initialFuel;
    helium = 0;
    thrustCutTimer = 0.0f;
    updateTransforms();
}

bool Player::update(bool forceStep, float dt)
{
    // A broken frame time must not reach the state either.
    if (!std::isfinite(dt) || dt < 0.0f)
        dt = 0.0f;

    float h = dt;
    if (!forceStep) {
        if (!stepClock.advance(dt))
            return false;
        h = stepClock.step();
    }

    rotationCommand = glm::vec3(0.0f);
    thrustCommand = 0.0f;

    thrustCutTimer -= h;
    if (thrustCutTimer < 0.0f)
        thrustCutTimer = 0.0f;

    if (split) {
        if (splitTimer >= 0.0f)
            splitTimer -= h;
        if (bottomStageCrawler)
            placeBottomStage(bottomStageCrawler->m_position, bottomStageCrawler->m_orientation);
    }

    if (exploding) {
        explosionFrame += 1;
        if (explosionFrame >= explosionFrameCount) {
            exploding = false;
            destroyed = true;
        }
        return true;
    }
    if (destroyed)
        return true;

    if (landed && dockedCrawler) {
        rideOn(dockedCrawler->m_position, dockedCrawler->m_orientation);
        takeSupplies(dockedCrawler->m_fuel, dockedCrawler->m_helium);
    }

    force = glm::vec3(0.0f);
    torque = glm::vec3(0.0f);

    angularDamping = gDecayAngularVelocity ? angularDecayFactor * 10.0f : 0.0f;
    if (stabilizerOffline)
        angularDamping = 0.0f;

    if (gGravityEnabled && !landed)
        force.y -= gGravity;

    thrustCommand = static_cast<float>(thrustInput);
    rotationCommand = glm::vec3(static_cast<float>(pitchInput), static_cast<float>(yawInput),
                                static_cast<float>(rollInput));
    if (fuel == 0 || thrustCutTimer > 0.0f)
        thrustCommand = 0.0f;

    uint16_t bits = autopilotOffline ? 0 : autopilotBits;
    if (pitchInput != 0 || yawInput != 0 || rollInput != 0)
        bits &= static_cast<uint16_t>(~0x0Fu);

    if (landed)
        rotationCommand = glm::vec3(0.0f);

    const glm::vec3 up = upAxis();

    if (thrustCommand != 0.0f) {
        force += up * thrustCommand * mainThrustAcceleration;
        fuel -= 1;
    }

    if (bits != 0 && !landed)
        runAutopilot(bits, up);

    torque += state.orientation * (rotationCommand * sideThrustFactor);

    const RigidBodyState before = state;
    integrate(state, h);
    if (!state.isFinite()) {
        // Nothing in the step may leave the body non-finite; keep the last good pose
        // and stop it rather than lose the lander.
        state = before;
        state.momentum = glm::vec3(0.0f);
        state.angularMomentum = glm::vec3(0.0f);
        state.recalculate();
        if (!nonFiniteWarned) {
            nonFiniteWarned = true;
            std::cout << "WARNING: the lander's motion is no longer a finite number (check the level's gravity "
                         "and the thruster settings); it is held where it was"
                      << std::endl;
        }
    }
    updateTransforms();
    return true;
}

void Player::rideOn(const glm::vec3& crawlerPosition, const glm::quat& crawlerOrientation)
{
    state.position = crawlerPosition + crawlerOrientation * relativePosition;
    state.orientation = crawlerOrientation * relativeOrientation;
}

void Player::takeSupplies(int32_t& crawlerFuel, int32_t& crawlerHelium)
{
    int32_t n = static_cast<int32_t>(std::min(3u, PLAYER_MAX_FUEL - std::min(fuel, PLAYER_MAX_FUEL)));
    if (crawlerFuel >= 0) {
        n = std::min(n, crawlerFuel);
        crawlerFuel -= n;
    }
    fuel += static_cast<unsigned int>(n);

    n = helium < PLAYER_MAX_HELIUM ? 1 : 0;
    n = std::min(n, crawlerHelium);
    // A crawler with a negative helium store has nothing to give.
    n = std::max(n, 0);
    crawlerHelium -= n;
    helium += static_cast<unsigned int>(n);
}

void Player::runAutopilot(uint16_t bits, const glm::vec3& up)
{
    if ((bits & (AUTOPILOT_LEVEL | AUTOPILOT_PROGRADE | AUTOPILOT_RETROGRADE)) == 0)
        return;

    // Target direction of the up axis. A velocity too small to have a direction adds
    // nothing, and requests that cancel leave no target at all.
    glm::vec3 target(0.0f);
    if (bits & AUTOPILOT_LEVEL)
        target += WORLD_UP;
    const float speed = glm::length(state.velocity);
    const bool hasDirection = speed > 1e-6f && std::isfinite(speed);
    if ((bits & AUTOPILOT_PROGRADE) && hasDirection)
        target += state.velocity / speed;
    if ((bits & AUTOPILOT_RETROGRADE) && hasDirection)
        target -= state.velocity / speed;
    const float targetLength = glm::length(target);
    if (targetLength > 1e-6f)
        target /= targetLength;
    else
        target = glm::vec3(0.0f);

    const bool alignRoll = (bits & (AUTOPILOT_PROGRADE | AUTOPILOT_RETROGRADE)) && !(bits & AUTOPILOT_POINT_ONLY);

    const double t2 = static_cast<double>(target.x) * target.x + static_cast<double>(target.y) * target.y +
                      static_cast<double>(target.z) * target.z;
    if (!(t2 > 0.1))
        return;

    glm::quat r = rotationBetween(up, target);

    if (alignRoll) {
        const glm::vec3 c = glm::cross(target, WORLD_UP);
        const double c2 = static_cast<double>(c.x) * c.x + static_cast<double>(c.y) * c.y +
                          static_cast<double>(c.z) * c.z;
        if (c2 > 0.001) {
            const glm::vec3 d = glm::cross(c, target);
            const glm::vec3 v = (r * state.orientation) * glm::vec3(0.0f, 0.0f, 1.0f);
            r = rotationBetween(v, d) * r;
        }
    }

    const float s = 1.0f - r.w * r.w;
    const glm::vec3 axis = s > 0.0f ? glm::vec3(r.x, r.y, r.z) / std::sqrt(s) : glm::vec3(0.0f, 0.0f, 1.0f);
    // Rounding can put w a hair outside [-1, 1], where acos has no value.
    const float phi = 2.0f * std::acos(std::clamp(r.w, -1.0f, 1.0f));
    if (!(std::fabs(phi) >= 0.01f))
        return;

    const float gain = angularDamping == 0.0f ? 0.5f : 0.25f;
    const glm::vec3 world = axis * phi - gain * state.angularVelocity;
    glm::vec3 local = glm::conjugate(state.orientation) * world;
    const float m = std::max(std::fabs(local.x), std::max(std::fabs(local.y), std::fabs(local.z)));
    if (m > 1.0f || m > 0.0001f)
        local /= m;
    if (finite3(local))
        rotationCommand = local;
}
