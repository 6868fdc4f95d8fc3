#version 430 core
// Terrain with baked lighting and a specular map: shiny where the map says so (ice).

#include "include/terrain_lightmap.glsl"
layout(binding = 2) uniform sampler2D texSlopes; // height differences across each height sample
uniform vec3 eyePos;
// What the normal needs of the height map's size, worked out once by the renderer:
// xy scale and zw offset from a colour-map coordinate to the height-map texel it
// falls on, and the factors that turn filtered height differences into a normal.
uniform vec4 slopeUV;
uniform vec3 slopeScale;

// texDiffuse holds the colour already lit by the light map, divided by this (the
// largest lit factor, 0.12 + 1.05), and the specular map times the light in alpha.
const float LIT_SCALE = 1.17;

// The normal of terrainNormal from one fetch: the differences of the heights one
// sample to either side filter like the heights themselves.
vec3 slopeNormal(vec2 uv)
{
    vec2 d = texture(texSlopes, uv * slopeUV.xy + slopeUV.zw).rg;
    return normalize(vec3(d.x, 1.0, d.y) * slopeScale);
}

// x^40 by squaring: the shine's fixed exponent, without pow's logarithm and exponential.
float pow40(float x)
{
    float x2 = x * x;
    float x8 = x2 * x2;
    x8 *= x8;
    float x32 = x8 * x8;
    x32 *= x32;
    return x32 * x8;
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
    float specular = shine * pow40(max(dot(N, H), 0.0)) * step(0.99, shadow);

    vec3 color = lit * shadow + vec3(specular);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
