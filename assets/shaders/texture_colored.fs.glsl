#version 430 core
// The diffuse texture tinted by a colour (the horizon: the terrain's colour map in
// the horizon colour).

#include "include/brightness.glsl"

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor;
uniform vec3 color;

out vec4 fragColor;

void main()
{
    vec3 texel = texture(texDiffColor, vTexCoord).rgb;
    fragColor = vec4(texel * color * globalBrightnessMultiplier, 1.0);
}
