#include "platform/FrameGlobals.h"

#include <cmath>

int gWindowWidth = 0;
int gWindowHeight = 0;

glm::vec3 gPlayerPos(0.0f, 0.0f, 0.0f);
float gPlayerShadow = 0.0f;
glm::vec3 gLightDirNormed = glm::vec3(1.0f, 5.0f, -2.0f) / std::sqrt(30.0f);
