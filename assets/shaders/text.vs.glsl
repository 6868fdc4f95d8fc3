#version 430 core
// Glyph quads: (x, y) in pixels and (u, v) with v = 0 at the glyph's top row.

layout(location = 0) in vec4 inVertex;

uniform mat4 matProj;

out vec2 vTexCoord;

void main()
{
    vTexCoord = inVertex.zw;
    gl_Position = matProj * vec4(inVertex.xy, 0.0, 1.0);
}
