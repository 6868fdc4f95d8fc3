#version 430 core
// Screen quad from uniforms only: lower-left corner "pos", "size", and the part of
// the texture from "uv_offset" over "uv_scale" (not clamped: textures may wrap).

#include "include/quad_corner.glsl"

uniform vec2 pos;
uniform vec2 size;
uniform vec2 uv_offset;
uniform vec2 uv_scale;
uniform mat4 projMat;

out vec2 vTexCoord;

void main()
{
    vec2 corner = quadCorner();
    vTexCoord = uv_offset + corner * uv_scale;
    gl_Position = projMat * vec4(pos + corner * size, 0.0, 1.0);
}
