#version 430 core
// Textured Phong: colour from the diffuse texture.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/light.glsl"

in vec3 vWorldPos;
in vec3 vNormal;
in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 texel = texture(texDiffColor, vTexCoord).rgb;
    vec3 color = shadePhong(N, vWorldPos, texel, texturedAlbedo(texel));
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
