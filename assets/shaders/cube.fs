#version 430 core
// The surroundings reflected in the surface, from the cube map on unit 2.

#include "include/common.glsl"
#include "include/brightness.glsl"

in vec3 vWorldPos;
in vec3 vNormal;

layout(binding = 2) uniform samplerCube texCubeMap;
uniform vec3 eye;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 V = safeNormalize(vWorldPos - eye, -N);
    vec3 color = texture(texCubeMap, reflect(V, N)).rgb;
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
