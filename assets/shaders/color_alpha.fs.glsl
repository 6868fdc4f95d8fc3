#version 430 core
// One flat colour with its alpha.

#include "include/brightness.glsl"

uniform vec4 color_alpha;

out vec4 fragColor;

void main()
{
    fragColor = vec4(color_alpha.rgb * globalBrightnessMultiplier, color_alpha.a);
}
