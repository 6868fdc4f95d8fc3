// The two orientation operations shared by the exhaust particles, the lander and the
// crawlers.
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

// The shortest-arc rotation that turns the direction of `from` onto the direction of
// `to`. Neither needs to be of unit length; a zero vector has no direction, and the
// result is then the identity.
glm::quat rotationBetween(glm::vec3 from, glm::vec3 to);

// The rotation that turns +z onto `direction` and then rolls the turned +y axis
// (after `base`) towards `up`. A (nearly) zero direction gives the zero quaternion
// (0, 0, 0, 0); an `up` parallel to the direction gives the bare turn of +z.
glm::quat lookAtRotation(glm::vec3 direction, glm::vec3 up, glm::quat base);
