#version 430 core
// One lens-flare element: the one-channel atlas tile (values may exceed 1) times its
// colour, added to the picture.

#include "include/brightness.glsl"

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex;
uniform vec3 color;

out vec4 fragColor;

void main()
{
    float intensity = texture(tex, vTexCoord).r;
    fragColor = vec4(color * intensity * globalBrightnessMultiplier, 1.0);
}
