// The lander against the world: landing conditions, touchdown on the terrain and on
// crawlers, take-off, and collisions with the terrain, liquids, crystals, crawlers and
// the space below the terrain.
#include "lander/Player.h"

#include "platform/Fatal.h"
#include "level/Heightfield.h"
#include "scene/Orientation.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

const glm::vec3 WORLD_UP(0.0f, 1.0f, 0.0f);
const int REPOSITION_STEPS = 200;
const glm::vec3 REPOSITION_STEP(0.0f, 0.01f, 0.0f);

// Sets the lander down so that exactly its lowest tenth touches: down in steps of
// 0.01 until the lower probe touches, then up until the upper probe no longer does.
// When that cannot be reached the lander goes back to `saved`.
template <typename LowerProbe, typename UpperProbe>
void reposition(Player& p, const RigidBodyState& saved, LowerProbe lowerTouches, UpperProbe upperTouches)
{
    bool lower = lowerTouches();
    bool upper = upperTouches();
    if (!lower && !upper) {
        for (int i = 0; i < REPOSITION_STEPS && !lower; ++i) {
            p.state.position -= REPOSITION_STEP;
            p.updateTransforms();
            lower = lowerTouches();
        }
        if (!lower)
            std::cout << "smooth descent failed" << std::endl;
    }
    upper = upperTouches();
    if (lower && upper) {
        for (int i = 0; i < REPOSITION_STEPS && upper; ++i) {
            p.state.position += REPOSITION_STEP;
            p.updateTransforms();
            upper = upperTouches();
        }
        if (upper)
            std::cout << "smooth ascent failed" << std::endl;
    }
    if (!lowerTouches() || upper) {
        std::cout << "Giving up re-positioning" << std::endl;
        p.state = saved;
        p.updateTransforms();
    }
}

} // namespace

void Player::setBodyBounds(const glm::vec3& min, const glm::vec3& max, const glm::vec3* topMin,
                           const glm::vec3* topMax)
{
    const float hx = std::max(std::fabs(min.x), std::fabs(max.x));
    const float hy = std::max(std::fabs(min.y), std::fabs(max.y));
    const float hz = std::max(std::fabs(min.z), std::fabs(max.z));
    bodyHalf = glm::vec3(hx, hy, hz);
    lowerProbeHalf = glm::vec3(hx, 0.1f * hy, hz);
    lowerProbeOffset = 0.1f * hy - hy;
    upperProbeHalf = glm::vec3(hx, 0.9f * hy, hz);
    upperProbeOffset = hy - 0.9f * hy;
    hasTopStageBox = topMin && topMax;
    if (hasTopStageBox) {
        topStageHalf = glm::vec3((topMax->x - topMin->x) * 0.5f, 1.0f, (topMax->z - topMin->z) * 0.5f);
        topStageBoxOffset = -0.45f;
    }
    bottomOffset = min.y;
}

void Player::setTerrain(Heightfield* h)
{
    terrain = h;
    if (!h || !h->m_actor || !h->m_actor->shape || !h->m_actor->body)
        fatalError("gTerrainActor->getShapes");
    terrainGeometry = &h->m_actor->field;
    terrainPose = h->m_actor->pose;
}

Pose Player::landerPose() const
{
    return poseFromMatrix(poseMatrix());
}

Pose Player::probePose(float offset) const
{
    glm::mat4 m = poseMatrix();
    m[3] += m[1] * offset;
    return poseFromMatrix(m);
}

bool Player::lowerProbeTouchesTerrain() const
{
    return terrainGeometry &&
           overlapBoxHeightField(lowerProbeHalf, probePose(lowerProbeOffset), *terrainGeometry, terrainPose);
}

bool Player::upperProbeTouchesTerrain() const
{
    return terrainGeometry &&
           overlapBoxHeightField(upperProbeHalf, probePose(upperProbeOffset), *terrainGeometry, terrainPose);
}

bool Player::bodyOverlaps(const glm::vec3& boxHalf, const Pose& boxPose) const
{
    if (split && hasTopStageBox)
        return overlapBoxes(topStageHalf, probePose(topStageBoxOffset), boxHalf, boxPose);
    return overlapBoxes(bodyHalf, landerPose(), boxHalf, boxPose);
}

bool Player::bodyOverlapsTerrain() const
{
    if (!terrainGeometry)
        return false;
    if (split && hasTopStageBox)
        return overlapBoxHeightField(topStageHalf, probePose(topStageBoxOffset), *terrainGeometry, terrainPose);
    return overlapBoxHeightField(bodyHalf, landerPose(), *terrainGeometry, terrainPose);
}

void Player::checkLandingConditions()
{
    landingPossible = speedOk = slopeOk = attitudeOk = false;
    if (split)
        return;
    speedOk = glm::dot(state.momentum, state.momentum) <= momentumLimitSquared;
    if (!terrain)
        return;
    const glm::vec3 bottom = state.position + state.orientation * glm::vec3(0.0f, bottomOffset, 0.0f);
    glm::vec3 n(0.0f, 1.0f, 0.0f);
    terrain->getHeight(bottom, &n);
    slopeOk = glm::dot(n, WORLD_UP) >= slopeLimit;
    attitudeOk = glm::dot(n, upAxis()) >= attitudeLimit;
    landingPossible = speedOk && slopeOk && attitudeOk;
}

void Player::updateContacts()
{
    const bool wasLanded = landed;
    const bool stayLanded = landed && thrustInput == 0;
    landed = false;
    collided = false;

    checkLandingConditions();

    // Below the world
    if (terrain && terrain->m_min_height > state.position.y) {
        collided = true;
        return;
    }

    // Liquids, crystals and crawlers: each liquid's box, each nearby crystal's box, and
    // each nearby crawler (docking on its pad, or a collision) are tested here in this
    // order once they exist in the world.

    if (stayLanded) {
        landed = true;
        collided = false;
        return;
    }

    dockedCrawler = nullptr;

    if (bodyOverlapsTerrain()) {
        if (split) {
            collided = true;
            return;
        }
        const bool upper = upperProbeTouchesTerrain();
        const bool lower = lowerProbeTouchesTerrain();
        landed = landingPossible && lower && !upper;
        collided = !landed && upper;
    } else {
        landed = false;
        collided = false;
    }

    if (landed && !wasLanded)
        touchdownOnTerrain();
}

void Player::touchdownOnTerrain()
{
    clearMomenta();
    const RigidBodyState saved = state;

    const glm::vec3 bottom = state.position + state.orientation * glm::vec3(0.0f, bottomOffset, 0.0f);
    glm::vec3 n(0.0f, 1.0f, 0.0f);
    terrain->getHeight(bottom, &n);
    state.orientation = rotationBetween(upAxis(), n) * state.orientation;
    state.recalculate();
    state.position += bottom - (state.position + state.orientation * glm::vec3(0.0f, bottomOffset, 0.0f));
    updateTransforms();

    reposition(
        *this, saved, [this] { return lowerProbeTouchesTerrain(); }, [this] { return upperProbeTouchesTerrain(); });

    std::cout << "Touchdown; coll = " << (lowerProbeTouchesTerrain() ? "L" : "_")
              << (upperProbeTouchesTerrain() ? "B" : "_") << std::endl;
}
