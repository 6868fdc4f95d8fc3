#version 430 core
// Terrain with baked lighting and a specular map: shiny where the map says so (ice).

#include "include/terrain_lightmap.glsl"
layout(binding = 2) uniform sampler2D texSlopes; // height differences across each height sample
uniform vec3 eyePos;

// texDiffuse holds the colour already lit by the light map, divided by this (the
// largest lit factor, 0.12 + 1.05), and the specular map times the light in alpha.
const float LIT_SCALE = 1.17;

// The normal of terrainNormal from one fetch: the differences of the heights one
// sample to either side filter like the heights themselves.
vec3 slopeNormal(vec2 uv)
{
    vec2 spacing = terrainSize() / max(vec2(textureSize(texHeightmap, 0)) - 1.0, vec2(1.0));
    vec2 d = texture(texSlopes, heightUVOf(uv)).rg * (max_height - min_height);
    return normalize(vec3(d.x * spacing.y, 2.0 * spacing.x * spacing.y, d.y * spacing.x));
}

void main()
{
    vec4 surface = texture(texDiffuse, teUV);
    vec3 lit = surface.rgb * LIT_SCALE;
    float shine = surface.a;
    float shadow = playerShadowOfRay(teShadowRay);

    vec3 N = slopeNormal(teUV);
    vec3 V = normalize(eyePos - teWorld);
    vec3 H = normalize(lightDirNormed + V);
    float specular = shine * pow(max(dot(N, H), 0.0), 40.0) * step(0.99, shadow);

    vec3 color = lit * shadow + vec3(specular);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
