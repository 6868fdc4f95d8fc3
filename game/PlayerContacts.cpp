// The lander against the world: landing conditions, touchdown on the terrain and on
// crawlers, take-off, and collisions with the terrain, liquids, crystals, crawlers and
// the space below the terrain.
#include "Player.h"

#include <algorithm>
#include <cmath>

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
}

bool Player::lowerProbeTouchesTerrain() const
{
    return false;
}

bool Player::upperProbeTouchesTerrain() const
{
    return false;
}

void Player::checkLandingConditions()
{
    landingPossible = speedOk = slopeOk = attitudeOk = false;
}

void Player::updateContacts()
{
}
