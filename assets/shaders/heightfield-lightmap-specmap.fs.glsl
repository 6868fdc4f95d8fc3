#version 430 core
// Terrain with baked lighting and a specular map: shiny where the map says so (ice).

#include "include/terrain_lightmap.glsl"
layout(binding = 3) uniform sampler2D texSpecmap;
uniform vec3 eyePos;

void main()
{
    vec2 uv = terrainUV(teGrid);
    vec3 albedo = texture(texDiffuse, uv).rgb;
    float light = texture(texLightmap, uv).r;
    float shininess = texture(texSpecmap, uv).r;
    float shadow = playerShadowFactor(teWorld);

    vec3 N = terrainNormal(teGrid);
    vec3 V = normalize(eyePos - teWorld);
    vec3 H = normalize(lightDirNormed + V);
    float specular = shininess * light * pow(max(dot(N, H), 0.0), 40.0) * step(0.99, shadow);

    vec3 color = albedo * (0.12 + 1.05 * light) * shadow + vec3(specular);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
