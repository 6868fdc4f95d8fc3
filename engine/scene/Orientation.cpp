#include "scene/Orientation.h"

#include <cmath>

glm::quat rotationBetween(glm::vec3 from, glm::vec3 to)
{
    const float fromLength = glm::length(from);
    const float toLength = glm::length(to);
    // A zero (or non-finite) vector would turn every component into NaN below.
    if (!(fromLength > 0.0f) || !(toLength > 0.0f) || !std::isfinite(fromLength) || !std::isfinite(toLength))
        return glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    const glm::vec3 a = from / fromLength;
    const glm::vec3 b = to / toLength;
    const float d = 1.0f + glm::dot(a, b);
    if (d < 0.001f) {
        // Nearly opposite: half a turn about any axis perpendicular to `a`.
        glm::vec3 axis = glm::cross(glm::vec3(1.0f, 0.0f, 0.0f), a);
        if (glm::dot(axis, axis) < 0.01f)
            axis = glm::cross(glm::vec3(0.0f, 1.0f, 0.0f), a);
        axis = glm::normalize(axis);
        const float halfTurn = 1.5707964f;
        return glm::quat(std::cos(halfTurn), axis * std::sin(halfTurn));
    }
    const float s = std::sqrt(2.0f * d);
    const glm::vec3 xyz = glm::cross(a, b) / s;
    return glm::quat(s * 0.5f, xyz.x, xyz.y, xyz.z);
}

glm::quat lookAtRotation(glm::vec3 direction, glm::vec3 up, glm::quat base)
{
    if (glm::dot(direction, direction) < 0.0001f)
        return glm::quat(0.0f, 0.0f, 0.0f, 0.0f);
    const glm::quat q1 = rotationBetween(glm::vec3(0.0f, 0.0f, 1.0f), direction);
    const glm::vec3 right = glm::cross(direction, up);
    if (glm::dot(right, right) <= 0.0001f)
        return q1;
    const glm::vec3 desiredUp = glm::cross(right, direction);
    const glm::vec3 currentUp = (q1 * base) * glm::vec3(0.0f, 1.0f, 0.0f);
    const glm::quat q2 = rotationBetween(currentUp, desiredUp);
    return q2 * q1;
}
