// Inputs of the light-mapped terrain: grid and world position from the evaluation
// stage, the colour and light maps.

#include "include/terrain.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec2 teGrid;
in vec3 teWorld;

layout(binding = 1) uniform sampler2D texDiffuse;
layout(binding = 2) uniform sampler2D texLightmap;

out vec4 fragColor;
