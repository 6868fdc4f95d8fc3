#version 430 core
// Terrain with baked lighting: colour map times the light map, the lander's shadow.

#include "include/terrain_lightmap.glsl"

void main()
{
    vec2 uv = terrainUV(teGrid);
    vec3 albedo = texture(texDiffuse, uv).rgb;
    float light = texture(texLightmap, uv).r;
    vec3 color = albedo * (0.12 + 1.05 * light) * playerShadowFactor(teWorld);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
