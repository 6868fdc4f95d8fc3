#version 430 core
// Plain water: a calm, translucent surface with Fresnel reflection.

#include "include/common.glsl"
#include "include/brightness.glsl"

in vec3 vWorldPos;
in vec2 vTexCoord;

uniform vec3 eye;

out vec4 fragColor;

void main()
{
    vec3 V = safeNormalize(eye - vWorldPos, vec3(0.0, 1.0, 0.0));
    float fresnel = 0.04 + 0.96 * pow(1.0 - max(V.y, 0.0), 5.0);
    vec3 color = mix(vec3(0.03, 0.16, 0.24), vec3(0.55, 0.68, 0.80), fresnel);
    fragColor = vec4(color * globalBrightnessMultiplier, 0.65 + 0.3 * fresnel);
}
