#version 430 core
// Terrain with baked lighting and a specular map: shiny where the map says so (ice).

#include "include/terrain_lightmap.glsl"
layout(binding = 2) uniform sampler2D texSlopes; // height differences across each height sample
layout(binding = 3) uniform sampler2D texSpecmap;
uniform vec3 eyePos;

// The normal of terrainNormal from one fetch: the differences of the heights one
// sample to either side filter like the heights themselves.
vec3 slopeNormal(vec2 grid)
{
    vec2 spacing = terrainSize() / max(vec2(textureSize(texHeightmap, 0)) - 1.0, vec2(1.0));
    vec2 d = texture(texSlopes, heightUV(grid)).rg * (max_height - min_height);
    return normalize(vec3(d.x * spacing.y, 2.0 * spacing.x * spacing.y, d.y * spacing.x));
}

void main()
{
    vec2 uv = terrainUV(teGrid);
    vec4 surface = texture(texDiffuse, uv);
    vec3 albedo = surface.rgb;
    float light = surface.a;
    float shininess = texture(texSpecmap, uv).r;
    float shadow = playerShadowOfRay(teShadowRay);

    vec3 N = slopeNormal(teGrid);
    vec3 V = normalize(eyePos - teWorld);
    vec3 H = normalize(lightDirNormed + V);
    float specular = shininess * light * pow(max(dot(N, H), 0.0), 40.0) * step(0.99, shadow);

    vec3 color = albedo * (0.12 + 1.05 * light) * shadow + vec3(specular);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
