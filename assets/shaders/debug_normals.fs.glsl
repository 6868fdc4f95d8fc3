#version 430 core
// World-space normal n as the colour n * 0.5 + 0.5.

#include "include/common.glsl"
#include "include/brightness.glsl"

in vec3 vNormal;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0));
    fragColor = vec4((N * 0.5 + 0.5) * globalBrightnessMultiplier, 1.0);
}
