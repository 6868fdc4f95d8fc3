#version 430 core
// The first texture in grey, shaded by the one-channel second texture and tinted with
// "blendColor" (the minimap's relief from the terrain's colour and light maps).

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex1;
layout(binding = 1) uniform sampler2D tex2;
uniform vec3 blendColor;

out vec4 fragColor;

void main()
{
    float gray = dot(texture(tex1, vTexCoord).rgb, vec3(0.299, 0.587, 0.114));
    float shade = texture(tex2, vTexCoord).r;
    fragColor = vec4(blendColor * gray * shade, 1.0);
}
