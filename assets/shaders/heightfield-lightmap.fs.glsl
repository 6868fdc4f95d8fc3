#version 430 core
// Terrain with baked lighting: colour map times the light map, the lander's shadow.

#include "include/terrain.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec2 teGrid;
in vec3 teWorld;
in vec3 teEye;

layout(binding = 1) uniform sampler2D texDiffuse;
layout(binding = 2) uniform sampler2D texLightmap;

out vec4 fragColor;

void main()
{
    vec2 uv = terrainUV(teGrid);
    vec3 albedo = texture(texDiffuse, uv).rgb;
    float light = texture(texLightmap, uv).r;
    vec3 color = albedo * (0.12 + 1.05 * light) * playerShadowFactor(teWorld);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
