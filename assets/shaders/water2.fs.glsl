#version 430 core
// Translucent water: two scrolling layers of the normal map ripple the surface, the
// displacement map adds swell and foam; reflection by Fresnel and a sun glint.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec3 vWorldPos;
in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D normalMap;
layout(binding = 1) uniform sampler2D displacementMap;
uniform vec3 eye;
uniform float uvMultiplier;
uniform float movement; // scroll phase 0..1

out vec4 fragColor;

void main()
{
    // Tiled in world units, so ripples keep their size on any pool. Every scroll
    // offset is a whole number of texture periods per phase, so the wrap of
    // "movement" from 1 to 0 is seamless.
    vec2 st = vWorldPos.xz * (0.08 * uvMultiplier);
    float swell = texture(displacementMap, st * 0.35 + vec2(movement, movement)).r;
    vec2 parallax = vec2(swell - 0.5) * 0.04;
    vec3 n1 = texture(normalMap, st + parallax + vec2(movement * 2.0, 0.0)).rgb * 2.0 - 1.0;
    vec3 n2 = texture(normalMap, st * 1.7 - parallax + vec2(0.0, -movement * 3.0)).rgb * 2.0 - 1.0;
    vec3 m = n1 + n2;
    vec3 N = safeNormalize(vec3(m.x, m.z * 1.5, m.y), vec3(0.0, 1.0, 0.0));

    vec3 V = safeNormalize(eye - vWorldPos, vec3(0.0, 1.0, 0.0));
    vec3 L = lightDirNormed;
    float fresnel = 0.04 + 0.96 * pow(1.0 - max(dot(N, V), 0.0), 5.0);

    vec3 deep = vec3(0.02, 0.13, 0.20);
    vec3 shallow = vec3(0.06, 0.32, 0.38);
    vec3 body = mix(deep, shallow, swell) * (0.45 + 0.55 * max(dot(N, L), 0.0));
    vec3 sky = vec3(0.55, 0.68, 0.80);
    vec3 color = mix(body, sky, fresnel);

    float shadow = playerShadowFactor(vWorldPos);
    float glint = pow(max(dot(reflect(-L, N), V), 0.0), 180.0) * 2.5;
    color += vec3(1.0, 0.96, 0.85) * glint * step(0.99, shadow);
    float foam = smoothstep(0.78, 0.95, swell) * 0.2;
    color = mix(color, vec3(0.9, 0.95, 1.0), foam);
    color *= shadow;

    float alpha = clamp(0.62 + 0.33 * fresnel + foam, 0.0, 1.0);
    fragColor = vec4(color * globalBrightnessMultiplier, alpha);
}
