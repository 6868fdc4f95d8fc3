#version 430 core
// Two textures multiplied.

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex1;
layout(binding = 1) uniform sampler2D tex2;

out vec4 fragColor;

void main()
{
    fragColor = texture(tex1, vTexCoord) * texture(tex2, vTexCoord);
}
