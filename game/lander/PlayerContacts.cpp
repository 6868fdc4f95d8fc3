// The lander against the world: landing conditions, touchdown on the terrain and on
// crawlers, take-off, and collisions with the terrain, liquids, crystals, crawlers and
// the space below the terrain.
#include "lander/Player.h"

#include "platform/Fatal.h"
#include "level/Heightfield.h"
#include "objects/Crawler.h"
#include "objects/Crystal.h"
#include "objects/Liquid.h"
#include "scene/Model.h"
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

// Far enough from a model that the lander cannot touch it: the model's bounding
// sphere around its current place, widened by the lander's own radius.
bool outOfReach(Model& model, const glm::vec3& position, float landerRadius)
{
    if (model.m_cull_by_box)
        return false;
    const float radius = model.m_sphere_valid ? model.m_bounding_radius : model.getBoundingRadius();
    return glm::distance(position, glm::vec3(model.m_model_matrix[3])) > radius + landerRadius;
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

bool Player::lowerProbeTouchesCrawler(const Crawler* c) const
{
    return c->overlaps(lowerProbeHalf, probePose(lowerProbeOffset));
}

bool Player::upperProbeTouchesCrawler(const Crawler* c) const
{
    return c->overlaps(upperProbeHalf, probePose(upperProbeOffset));
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

    if (liquids) {
        for (const Liquid* liquid : *liquids) {
            if (bodyOverlaps(liquid->shape, liquid->pose)) {
                collided = true;
                return;
            }
        }
    }

    if (crystals) {
        for (Crystal* crystal : *crystals) {
            if (outOfReach(*crystal->m_lod[0], state.position, boundingRadius))
                continue;
            if (bodyOverlaps(crystal->m_boxHalf, crystal->m_boxPose)) {
                collided = true;
                return;
            }
        }
    }

    if (crawlers) {
        for (Crawler* c : *crawlers) {
            if (stayLanded && c == dockedCrawler)
                continue;
            if (outOfReach(*c->m_lod[0], state.position, boundingRadius))
                continue;
            const glm::vec3& body = split && hasTopStageBox ? topStageHalf : bodyHalf;
            if (!c->overlaps(body, landerPose()))
                continue;
            if (stayLanded || split || upperProbeTouchesCrawler(c)) {
                collided = true;
                return;
            }
            if (lowerProbeTouchesCrawler(c) && speedOk) {
                resolveCrawlerContact(c, wasLanded);
                if (landed)
                    return;
            }
        }
    }

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

void Player::resolveCrawlerContact(Crawler* c, bool wasLanded)
{
    // The lander's pose in the crawler's frame: its lowest point over the pad, and
    // upright against the crawler.
    const glm::mat4 inCrawler = glm::inverse(c->modelMatrix()) * poseMatrix();
    const glm::vec3 bottom = glm::vec3(inCrawler * glm::vec4(0.0f, bottomOffset, 0.0f, 1.0f));
    if (bottom.x < CRAWLER_PAD_MIN_X || bottom.x > CRAWLER_PAD_MAX_X || bottom.z < CRAWLER_PAD_MIN_Z ||
        bottom.z > CRAWLER_PAD_MAX_Z)
        return;
    const glm::vec3 up = glm::vec3(inCrawler * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f));
    if (up.y < attitudeLimit)
        return;

    landed = true;
    if (wasLanded)
        return;

    clearMomenta();
    const RigidBodyState saved = state;
    const glm::vec3 before = state.position + state.orientation * glm::vec3(0.0f, bottomOffset, 0.0f);
    state.orientation = rotationBetween(upAxis(), c->m_orientation * WORLD_UP) * state.orientation;
    state.recalculate();
    state.position += before - (state.position + state.orientation * glm::vec3(0.0f, bottomOffset, 0.0f));
    updateTransforms();

    reposition(
        *this, saved, [this, c] { return lowerProbeTouchesCrawler(c); },
        [this, c] { return upperProbeTouchesCrawler(c); });

    std::cout << "Crawler touchdown; coll = " << (lowerProbeTouchesCrawler(c) ? "L" : "_")
              << (upperProbeTouchesCrawler(c) ? "B" : "_") << std::endl;

    dockedCrawler = c;
    relativePosition = glm::vec3(glm::inverse(c->modelMatrix()) * poseMatrix() * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    relativeOrientation = glm::conjugate(c->m_orientation) * state.orientation;
    if (c->m_speedUponLanding >= 0.0f)
        c->m_speed = c->m_speedUponLanding;
    thrustCutTimer = 0.5f;
}
