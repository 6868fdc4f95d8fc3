#version 430 core
// A unit square (-0.5 .. 0.5) in the local xy plane, facing +z, placed by "mvpMat";
// the texture part from "uv_offset" over "uv_scale".

#include "include/quad_corner.glsl"

uniform mat4 mvpMat;
uniform vec2 uv_offset;
uniform vec2 uv_scale;

out vec2 vTexCoord;

void main()
{
    vec2 corner = quadCorner();
    vTexCoord = uv_offset + corner * uv_scale;
    gl_Position = mvpMat * vec4(corner - 0.5, 0.0, 1.0);
}
