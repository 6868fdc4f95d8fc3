// What the terrain's last vertex stage hands on for a grid point: the tessellation's
// evaluation stage and the lowest-level patches' vertex stage give the same.

#include "include/terrain.glsl"
#include "include/player_shadow.glsl"

uniform mat4 matProjView;

out vec2 teGrid;
out vec2 teUV; // colour-map coordinate: affine in the grid, so interpolating it is exact
out vec3 teWorld;
out vec3 teShadowRay; // see player_shadow.glsl

void emitTerrainVertex(vec2 grid)
{
    vec4 world = matModel * vec4(grid.x, terrainHeight(grid), grid.y, 1.0);
    teGrid = grid;
    teUV = terrainUV(grid);
    teWorld = world.xyz;
    teShadowRay = playerShadowRay(world.xyz);
    gl_Position = matProjView * world;
}
