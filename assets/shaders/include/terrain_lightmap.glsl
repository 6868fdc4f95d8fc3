// Inputs of the light-mapped terrain: grid position, world and eye position from the
// evaluation stage, the colour and light maps.

#include "include/terrain.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec2 teGrid;
in vec3 teWorld;
in vec3 teEye;

layout(binding = 1) uniform sampler2D texDiffuse;
layout(binding = 2) uniform sampler2D texLightmap;

out vec4 fragColor;
