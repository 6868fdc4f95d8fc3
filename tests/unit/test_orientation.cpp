#include "scene/Orientation.h"

#include <gtest/gtest.h>

namespace {

void expectQuat(const glm::quat& q, float w, float x, float y, float z)
{
    EXPECT_NEAR(q.w, w, 1e-6f);
    EXPECT_NEAR(q.x, x, 1e-6f);
    EXPECT_NEAR(q.y, y, 1e-6f);
    EXPECT_NEAR(q.z, z, 1e-6f);
}

} // namespace

TEST(Orientation, RotationBetweenTurnsOneDirectionOntoAnother)
{
    const glm::vec3 z(0.0f, 0.0f, 1.0f);
    expectQuat(rotationBetween(z, z), 1.0f, 0.0f, 0.0f, 0.0f);
    // Opposite directions: half a turn about cross((1,0,0), z) = -y.
    expectQuat(rotationBetween(z, -z), 0.0f, 0.0f, -1.0f, 0.0f);
    // Opposite along x: the first axis is degenerate, the second one is used.
    const glm::quat xx = rotationBetween(glm::vec3(2.0f, 0.0f, 0.0f), glm::vec3(-1.0f, 0.0f, 0.0f));
    EXPECT_NEAR(glm::length((xx * glm::vec3(1.0f, 0.0f, 0.0f)) - glm::vec3(-1.0f, 0.0f, 0.0f)), 0.0f, 1e-6f);

    // Inputs need not be unit vectors.
    const glm::vec3 from(0.0f, 3.0f, 0.0f), to(1.0f, 1.0f, -1.0f);
    const glm::vec3 turned = rotationBetween(from, to) * glm::vec3(0.0f, 1.0f, 0.0f);
    EXPECT_NEAR(glm::length(turned - glm::normalize(to)), 0.0f, 1e-6f);

    // A zero vector has no direction: no turn rather than NaN.
    expectQuat(rotationBetween(glm::vec3(0.0f), z), 1.0f, 0.0f, 0.0f, 0.0f);
    expectQuat(rotationBetween(z, glm::vec3(0.0f)), 1.0f, 0.0f, 0.0f, 0.0f);
}

TEST(Orientation, LookAtRotationWithoutADirection)
{
    const glm::quat identity(1.0f, 0.0f, 0.0f, 0.0f);
    expectQuat(lookAtRotation(glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f), identity), 0.0f, 0.0f, 0.0f, 0.0f);
    // Up parallel to the direction: just the turn of +z.
    const glm::vec3 down(0.0f, -2.0f, 0.0f);
    const glm::quat bare = lookAtRotation(down, glm::vec3(0.0f, 1.0f, 0.0f), identity);
    const glm::quat expected = rotationBetween(glm::vec3(0.0f, 0.0f, 1.0f), down);
    expectQuat(bare, expected.w, expected.x, expected.y, expected.z);
}
