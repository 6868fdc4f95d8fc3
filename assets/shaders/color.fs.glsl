#version 430 core
// One flat colour.

#include "include/brightness.glsl"

uniform vec3 color;

out vec4 fragColor;

void main()
{
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
