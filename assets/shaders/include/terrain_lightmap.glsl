// Inputs of the light-mapped terrain: colour-map coordinate, world position and
// shadow ray from the evaluation stage, and on unit 1 the colour map with the light
// map in its alpha.

#include "include/terrain.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec2 teUV;
in vec3 teWorld;
in vec3 teShadowRay;

layout(binding = 1) uniform sampler2D texDiffuse;

out vec4 fragColor;
