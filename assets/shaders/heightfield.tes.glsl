#version 430 core
// Places the tessellated vertices on the height map. u runs along +x and v along +z,
// which seen from above turns the generator's winding round: "cw" here gives
// triangles that face up.

layout(quads, fractional_even_spacing, cw) in;

#include "include/terrain_vertex.glsl"

in vec2 tcGrid[];

void main()
{
    vec2 uv = gl_TessCoord.xy;
    emitTerrainVertex(mix(mix(tcGrid[0], tcGrid[1], uv.x), mix(tcGrid[3], tcGrid[2], uv.x), uv.y));
}
