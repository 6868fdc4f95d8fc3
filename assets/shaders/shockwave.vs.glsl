#version 430 core
// The whole window as one quad in clip space, texture coordinates 0..1.

#include "include/quad_corner.glsl"

out vec2 vTexCoord;

void main()
{
    vec2 corner = quadCorner();
    vTexCoord = corner;
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
