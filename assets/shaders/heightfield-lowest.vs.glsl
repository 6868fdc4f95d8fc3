#version 430 core
// The terrain patches the tessellation stages would cut the least (two segments a
// side), drawn without those stages: the vertices are the half-patch grid, numbered
// row by row (2 x xpatches + 1 a row), each handed on as the evaluation stage hands on
// the same grid point, so both draws give the same picture.

#include "include/terrain_vertex.glsl"

void main()
{
    int row = 2 * max(xpatches, 1) + 1;
    emitTerrainVertex(vec2(gl_VertexID % row, gl_VertexID / row) * (0.5 * patchsize));
}
