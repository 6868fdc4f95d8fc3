// The orbit camera: looks at `focus` from distance `r`, turned by yaw `phi` and pitch `theta`.
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

class Camera {
public:
    struct ResetState {
        float phi = 0.0f, theta = 0.0f, r = 6.0f, min_rad = 4.0f, max_rad = 50.0f;
        glm::vec3 focus = glm::vec3(0.0f);
    };

    static constexpr float maxPitch = 1.569051f; // 0.1 degree short of a right angle

    float fov = 1.0471976f; // vertical, radians
    float aspect = 1.0f;
    float near = 0.1f;
    float far = 100.0f;
    float phi = 0.0f;
    float theta = 0.0f;
    float r = 6.0f;
    glm::vec3 focus = glm::vec3(0.0f);
    ResetState resetState;
    float min_rad = 4.0f;
    float max_rad = 50.0f;

    glm::mat4 getViewMatrix() const;
    glm::mat4 getWorldMatrix() const;
    glm::vec3 getWorldPosition() const;
    void getAxes(glm::vec3* forward, glm::vec3* right, glm::vec3* up) const;
    void addPitch(float delta);
    void pan(float dx, float dy);
    void setMaxRadius(float radius) { max_rad = radius; }
    void saveResetState();
    glm::quat getOrientation() const;
    glm::quat getViewRotation() const;
    glm::mat4 getProjection() const;
    void printInfo() const;
};
