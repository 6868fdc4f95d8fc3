#version 430 core
// Terrain lit by the sun: colour map, normal from the height map, the lander's shadow.

#include "include/terrain.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec2 teGrid;
in vec3 teShadowRay;

layout(binding = 1) uniform sampler2D texDiffuse;

out vec4 fragColor;

void main()
{
    vec3 N = terrainNormal(teGrid);
    vec3 albedo = texture(texDiffuse, terrainUV(teGrid)).rgb;
    float sun = max(dot(N, lightDirNormed), 0.0);
    vec3 color = albedo * (0.28 + 0.85 * sun) * playerShadowOfRay(teShadowRay);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
