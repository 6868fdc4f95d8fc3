#version 430 core
// Places the tessellated vertices on the height map. u runs along +x and v along +z,
// which seen from above turns the generator's winding round: "cw" here gives
// triangles that face up.

layout(quads, fractional_even_spacing, cw) in;

#include "include/terrain.glsl"
#include "include/player_shadow.glsl"

uniform mat4 matProjView;

in vec2 tcGrid[];
out vec2 teGrid;
out vec2 teUV; // colour-map coordinate: affine in the grid, so interpolating it is exact
out vec3 teWorld;
out vec3 teShadowRay; // see player_shadow.glsl

void main()
{
    vec2 uv = gl_TessCoord.xy;
    vec2 grid = mix(mix(tcGrid[0], tcGrid[1], uv.x), mix(tcGrid[3], tcGrid[2], uv.x), uv.y);
    vec4 world = matModel * vec4(grid.x, terrainHeight(grid), grid.y, 1.0);
    teGrid = grid;
    teUV = terrainUV(grid);
    teWorld = world.xyz;
    teShadowRay = playerShadowRay(world.xyz);
    gl_Position = matProjView * world;
}
