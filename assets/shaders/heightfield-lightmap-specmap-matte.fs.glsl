#version 430 core
// The specular terrain where the sun's shine cannot reach a level of colour: the lit
// colour alone, as heightfield-lightmap-specmap.fs.glsl gives it there. The renderer
// picks those patches from the slopes in them and the way they are seen (see
// TerrainPatches::prepareDraw).

#include "include/terrain_lightmap.glsl"

// texDiffuse holds the colour already lit by the light map, divided by this.
const float LIT_SCALE = 1.17;

void main()
{
    vec3 lit = texture(texDiffuse, teUV).rgb * LIT_SCALE;
    vec3 color = lit * playerShadowOfRay(teShadowRay);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
