#version 430 core
// The texture with its alpha.

#include "include/brightness.glsl"

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex;

out vec4 fragColor;

void main()
{
    vec4 texel = texture(tex, vTexCoord);
    fragColor = vec4(texel.rgb * globalBrightnessMultiplier, texel.a);
}
