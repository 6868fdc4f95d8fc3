#version 430 core
// One four-corner patch per instance, without vertex data but the patch's grid index
// (row-major from (0, 0)); the renderer sends only the patches in view, nearest first.

#include "include/terrain.glsl"

layout(location = 0) in int patchIndex;

out vec2 vGrid;

void main()
{
    const ivec2 corners[4] = ivec2[4](ivec2(0, 0), ivec2(1, 0), ivec2(1, 1), ivec2(0, 1));
    int columns = max(xpatches, 1);
    ivec2 cell = ivec2(patchIndex % columns, patchIndex / columns);
    vGrid = vec2(cell + corners[gl_VertexID & 3]) * patchsize;
    gl_Position = vec4(0.0);
}
