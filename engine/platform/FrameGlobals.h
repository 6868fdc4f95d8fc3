// Values of the current window and frame that engine objects read: the framebuffer
// size (set by the window code) and what the shaders' per-frame uniforms carry.
#pragma once

#include <glm/glm.hpp>

extern int gWindowWidth;  // framebuffer pixels
extern int gWindowHeight; // framebuffer pixels

extern glm::vec3 gPlayerPos;      // "playerPos"
extern float gPlayerShadow;       // "playerShadow"
extern glm::vec3 gLightDirNormed; // "lightDirNormed"
