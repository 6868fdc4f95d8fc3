#version 430 core
// The glyph's coverage as alpha in the text colour.

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D glyph;
uniform vec3 color;

out vec4 fragColor;

void main()
{
    fragColor = vec4(color, texture(glyph, vTexCoord).r);
}
