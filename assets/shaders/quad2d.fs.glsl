#version 430 core
// The texture with its alpha.

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex;

out vec4 fragColor;

void main()
{
    fragColor = texture(tex, vTexCoord);
}
