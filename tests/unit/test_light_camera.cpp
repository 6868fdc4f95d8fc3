#include "Camera.h"
#include "Light.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records where a light would write itself.
class RecordingLight : public Light {
public:
    std::vector<int> locations;
    int uploadAt(int location, Shader*) override
    {
        locations.push_back(location);
        return location + 5;
    }
};

void expectNear(const glm::vec3& a, const glm::vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

} // namespace

TEST(Light, EachLightTakesFiveLocationsFrom20)
{
    RecordingLight light;
    light.upload(0, nullptr);
    light.upload(1, nullptr);
    light.upload(3, nullptr);
    EXPECT_EQ(light.locations, (std::vector<int>{20, 25, 35}));
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
