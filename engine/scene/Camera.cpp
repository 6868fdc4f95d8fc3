#include "scene/Camera.h"

#include <glm/gtc/matrix_transform.hpp>

#include <iostream>
#include <string>

glm::mat4 Camera::getViewMatrix() const
{
    glm::mat4 m(1.0f);
    m = glm::translate(m, glm::vec3(0.0f, 0.0f, -r));
    m = glm::rotate(m, theta, glm::vec3(1.0f, 0.0f, 0.0f));
    m = glm::rotate(m, phi, glm::vec3(0.0f, 1.0f, 0.0f));
    return glm::translate(m, -focus);
}

glm::mat4 Camera::getWorldMatrix() const
{
    glm::mat4 m = glm::translate(glm::mat4(1.0f), focus);
    m = glm::rotate(m, -phi, glm::vec3(0.0f, 1.0f, 0.0f));
    m = glm::rotate(m, -theta, glm::vec3(1.0f, 0.0f, 0.0f));
    return glm::translate(m, glm::vec3(0.0f, 0.0f, r));
}

glm::vec3 Camera::getWorldPosition() const
{
    return glm::vec3(getWorldMatrix() * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
}

void Camera::getAxes(glm::vec3* forward, glm::vec3* right, glm::vec3* up) const
{
    const glm::mat4 world = getWorldMatrix();
    if (forward)
        *forward = glm::vec3(world * glm::vec4(0.0f, 0.0f, -1.0f, 0.0f));
    if (right)
        *right = glm::vec3(world * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f));
    if (up)
        *up = glm::vec3(world * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f));
}

void Camera::addPitch(float delta)
{
    theta += delta;
    if (theta > maxPitch)
        theta = maxPitch;
    if (theta < -maxPitch)
        theta = -maxPitch;
}

void Camera::pan(float dx, float dy)
{
    glm::mat4 m = glm::rotate(glm::mat4(1.0f), -phi, glm::vec3(0.0f, 1.0f, 0.0f));
    m = glm::rotate(m, -theta, glm::vec3(1.0f, 0.0f, 0.0f));
    m = glm::translate(m, glm::vec3(0.0f, 0.0f, r));
    const glm::vec3 right(m * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f));
    const glm::vec3 up(m * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f));
    focus += dx * right + dy * up;
}

void Camera::saveResetState()
{
    resetState.phi = phi;
    resetState.theta = theta;
    resetState.r = r;
    resetState.min_rad = min_rad;
    resetState.max_rad = max_rad;
    resetState.focus = focus;
}

glm::quat Camera::getOrientation() const
{
    return glm::quat(glm::vec3(-theta, -phi, 0.0f));
}

glm::quat Camera::getViewRotation() const
{
    return glm::quat(glm::vec3(theta, phi, 0.0f));
}

glm::mat4 Camera::getProjection() const
{
    return glm::perspective(fov, aspect, near, far);
}

namespace {

std::string vecText(const glm::vec3& v)
{
    return "[" + std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z) + "]";
}

std::string quatText(const glm::quat& q)
{
    return "[w:" + std::to_string(q.w) + " x:" + std::to_string(q.x) + " y:" + std::to_string(q.y) +
           " z:" + std::to_string(q.z) + "]";
}

constexpr float radToDeg = 57.29578f;

} // namespace

void Camera::printInfo() const
{
    glm::vec3 forward, right, up;
    getAxes(&forward, &right, &up);
    std::cout << "INFO: Cam world pos: " << vecText(getWorldPosition()) << std::endl;
    std::cout << "INFO: Cam params (phi,theta,r,focus): " << phi * radToDeg << " deg, " << theta * radToDeg
              << " deg, " << r << " " << vecText(focus) << " min_rad " << min_rad << " max_rad " << max_rad
              << std::endl;
    std::cout << "INFO: Cam reset  (phi,theta,r,focus): " << resetState.phi * radToDeg << " deg, "
              << resetState.theta * radToDeg << " deg, " << resetState.r << " " << vecText(resetState.focus)
              << " min_rad " << resetState.min_rad << " max_rad " << resetState.max_rad << std::endl;
    std::cout << "INFO: Cam forward " << vecText(forward) << ", right " << vecText(right) << ", up "
              << vecText(up) << std::endl;
    std::cout << "INFO: Cam orientation quat " << quatText(getOrientation()) << std::endl;
    std::cout << "INFO: Cam view        quat " << quatText(getViewRotation()) << std::endl;
}
