#version 430 core
// Untextured Phong: colour from the material.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/light.glsl"

in vec3 vWorldPos;
in vec3 vNormal;
in vec2 vTexCoord;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 color = shadePhong(N, vWorldPos, vec3(1.0), material.diffuse);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
