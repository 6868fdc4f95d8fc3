#version 430 core
// Flat screen quad at a chosen depth (-1 near .. 1 far of the quad's projection).

#include "include/quad_corner.glsl"

uniform vec2 pos;
uniform vec2 size;
uniform mat4 projMat;
uniform float depth = 0.0;

void main()
{
    gl_Position = projMat * vec4(pos + quadCorner() * size, -depth, 1.0);
}
