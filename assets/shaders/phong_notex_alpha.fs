#version 430 core
// Translucent untextured Phong (crystals). Drawn without face culling, so back faces
// are lit with their normal turned towards the viewer.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/light.glsl"

in vec3 vWorldPos;
in vec3 vNormal;
in vec2 vTexCoord;

uniform float alpha;

out vec4 fragColor;

void main()
{
    vec3 N = safeNormalize(vNormal, vec3(0.0, 1.0, 0.0));
    if (!gl_FrontFacing)
        N = -N;
    vec3 color = shadePhong(N, vWorldPos, vec3(1.0), material.diffuse);
    fragColor = vec4(color * globalBrightnessMultiplier, alpha);
}
