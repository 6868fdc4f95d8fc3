#version 430 core
// Phong with an optional diffuse texture: "hasTex0" tells whether the mesh brought
// its own texture (otherwise a white 1x1 texture is bound and the material colours).

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/light.glsl"

in vec3 vWorldPos;
in vec3 vNormal;
in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor;
uniform int hasTex0;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    vec3 color;
    if (hasTex0 != 0) {
        vec3 texel = texture(texDiffColor, vTexCoord).rgb;
        color = shadePhong(N, vWorldPos, texel, texturedAlbedo(texel));
    } else {
        color = shadePhong(N, vWorldPos, vec3(1.0), material.diffuse * texture(texDiffColor, vTexCoord).rgb);
    }
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
