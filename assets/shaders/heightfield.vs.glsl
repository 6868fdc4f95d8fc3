#version 430 core
// One four-corner patch per instance, without vertex data. Also passes on the camera
// position, taken from the projection-view matrix.

#include "include/terrain.glsl"

uniform mat4 matProjView;

out vec2 vGrid;
out vec3 vEye;

void main()
{
    const ivec2 corners[4] = ivec2[4](ivec2(0, 0), ivec2(1, 0), ivec2(1, 1), ivec2(0, 1));
    int columns = max(xpatches, 1);
    ivec2 patchIndex = ivec2(gl_InstanceID % columns, gl_InstanceID / columns);
    vGrid = vec2(patchIndex + corners[gl_VertexID & 3]) * patchsize;
    // The camera is the point the projection sends to infinity: (0, 0, 1, 0) in clip
    // space maps back to it.
    vec4 eye = inverse(matProjView) * vec4(0.0, 0.0, 1.0, 0.0);
    vEye = eye.xyz / eye.w;
    gl_Position = vec4(0.0);
}
