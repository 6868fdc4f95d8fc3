#version 430 core
// Terrain with baked lighting: colour map times the light map, the lander's shadow.

#include "include/terrain_lightmap.glsl"

void main()
{
    vec4 surface = texture(texDiffuse, teUV);
    vec3 color = surface.rgb * (0.12 + 1.05 * surface.a) * playerShadowOfRay(teShadowRay);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
