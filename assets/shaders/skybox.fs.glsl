#version 430 core
// The sky from the cube map on unit 2.

#include "include/brightness.glsl"

in vec3 vDirection;

layout(binding = 2) uniform samplerCube texCubeMap;

out vec4 fragColor;

void main()
{
    vec3 color = texture(texCubeMap, vDirection).rgb;
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
