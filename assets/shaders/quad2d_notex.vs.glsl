#version 430 core
// Flat screen quad: lower-left corner "pos" and "size".

#include "include/quad_corner.glsl"

uniform vec2 pos;
uniform vec2 size;
uniform mat4 projMat;

void main()
{
    gl_Position = projMat * vec4(pos + quadCorner() * size, 0.0, 1.0);
}
