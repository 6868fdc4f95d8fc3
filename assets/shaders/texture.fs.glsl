#version 430 core
// The diffuse texture as it is.

#include "include/brightness.glsl"

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor;

out vec4 fragColor;

void main()
{
    vec4 texel = texture(texDiffColor, vTexCoord);
    fragColor = vec4(texel.rgb * globalBrightnessMultiplier, texel.a);
}
