#include "scene/Camera.h"

#include <gtest/gtest.h>

namespace {
void expectNear(const glm::vec3& a, const glm::vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}
} // namespace

TEST(Camera, PitchStopsShortOfStraightUpAndDown)
{
    Camera camera;
    camera.addPitch(10.0f);
    EXPECT_FLOAT_EQ(camera.theta, 1.569051f);
    camera.addPitch(-20.0f);
    EXPECT_FLOAT_EQ(camera.theta, -1.569051f);
}

TEST(Camera, DefaultStateLooksDownMinusZ)
{
    Camera camera;
    expectNear(camera.getWorldPosition(), glm::vec3(0.0f, 0.0f, 6.0f));
    glm::vec3 forward, right, up(9.0f);
    camera.getAxes(&forward, &right, nullptr);
    expectNear(forward, glm::vec3(0.0f, 0.0f, -1.0f));
    expectNear(right, glm::vec3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(up, glm::vec3(9.0f));
}

TEST(Camera, WorldMatrixInvertsViewMatrix)
{
    Camera camera;
    camera.phi = 0.7f;
    camera.theta = -0.4f;
    camera.r = 23.0f;
    camera.focus = glm::vec3(5.0f, -3.0f, 12.0f);
    const glm::mat4 product = camera.getWorldMatrix() * camera.getViewMatrix();
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(product[c][r], c == r ? 1.0f : 0.0f, 1e-5f);

    const glm::vec3 eye = camera.getWorldPosition();
    EXPECT_NEAR(glm::length(eye - camera.focus), 23.0f, 1e-4f);
}

TEST(Camera, PanMovesFocusAlongScreenAxes)
{
    Camera camera;
    camera.phi = 1.5707964f;
    camera.pan(2.0f, 1.0f);
    glm::vec3 right, up;
    camera.getAxes(nullptr, &right, &up);
    expectNear(camera.focus, 2.0f * right + 1.0f * up);
}

TEST(Camera, ViewMatrixForKnownAngles)
{
    Camera camera;
    camera.r = 6.0f;
    camera.focus = glm::vec3(1.0f, 2.0f, 3.0f);

    // turned a quarter to the left: the eye looks along +x from the focus' -x side
    camera.phi = 1.5707964f;
    camera.theta = 0.0f;
    const glm::mat4 view = camera.getViewMatrix();
    expectNear(glm::vec3(view * glm::vec4(camera.focus, 1.0f)), glm::vec3(0.0f, 0.0f, -6.0f));
    expectNear(camera.getWorldPosition(), glm::vec3(-5.0f, 2.0f, 3.0f));
    expectNear(glm::vec3(view * glm::vec4(2.0f, 2.0f, 3.0f, 1.0f)), glm::vec3(0.0f, 0.0f, -7.0f));

    // pitched down by 45 degrees: the eye is above the focus, looking down at it
    camera.phi = 0.0f;
    camera.theta = 0.7853982f;
    const float d = 6.0f * 0.70710678f;
    expectNear(camera.getWorldPosition(), glm::vec3(1.0f, 2.0f + d, 3.0f + d));
    expectNear(glm::vec3(camera.getViewMatrix() * glm::vec4(camera.getWorldPosition(), 1.0f)), glm::vec3(0.0f));
    glm::vec3 forward;
    camera.getAxes(&forward, nullptr, nullptr);
    expectNear(forward, glm::vec3(0.0f, -0.70710678f, -0.70710678f));
}
