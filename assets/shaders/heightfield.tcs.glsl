#version 430 core
// Tessellation by distance to the player: near patches get up to "max_subdivisions",
// far ones down to "min_subdivisions". But no finer than the screen can show: the
// grid points stay where they are whatever the level, only the heights between them
// come closer to the height map, and a height error moves the ground on screen by
// its size times the sine of the angle between the view ray and the vertical (nothing
// where the view looks straight down). An edge is cut no finer than that the height
// steps of a segment (taken as steep as the segment is long) move the ground by a
// pixel. Where the ground's slope turns less than that inside the patches on both
// sides of the edge, a straight cut stands off the ground by less than its length:
// by its length times their slope spread at the most, and the edge is cut as much
// coarser. That matters where the camera is far from the lander: the overhead view of
// a crash looks down at the whole map from high above, while the patches round the
// wreck are the nearest to the lander. Each edge's level comes from the edge and the
// two patches beside it alone, so neighbouring patches agree on their shared edge and
// leave no cracks.
// Patches outside the view never get here: the renderer leaves them out of the draw.

layout(vertices = 4) out;

#include "include/terrain.glsl"

uniform mat4 matProjView;
uniform vec3 playerPos;
uniform int min_subdivisions;
uniform int max_subdivisions;
uniform float subdivision_factor;
uniform float pixelsPerUnit; // window pixels across a length of 1 facing the camera at depth 1
uniform vec3 eyePos;
// Per patch: how far a straight cut across it can stand off the ground, per unit of
// the cut's length (TerrainPatches::build).
layout(binding = 3) uniform sampler2D texSlopeSpread;

in vec2 vGrid[];
out vec2 tcGrid[];

float slopeSpread(ivec2 cell)
{
    return texelFetch(texSlopeSpread, clamp(cell, ivec2(0), ivec2(xpatches, zpatches) - 1), 0).r;
}

float edgeLevel(vec2 a, vec2 b, float spread)
{
    vec2 middle = 0.5 * (a + b);
    vec4 world = matModel * vec4(middle.x, terrainHeight(middle), middle.y, 1.0);
    float level = subdivision_factor * patchsize / max(distance(world.xyz, playerPos), 1e-3);
    float depth = (matProjView * world).w;
    if (depth > 0.0) {
        vec3 toEye = eyePos - world.xyz;
        float across = length(toEye.xz) / max(length(toEye), 1e-3);
        level = min(level, patchsize * pixelsPerUnit * across / depth * min(spread, 1.0));
    }
    return clamp(level, float(min_subdivisions), float(max_subdivisions));
}

void main()
{
    tcGrid[gl_InvocationID] = vGrid[gl_InvocationID];
    if (gl_InvocationID != 0)
        return;
    // Corners 0 (0,0), 1 (1,0), 2 (1,1), 3 (0,1) in (u, v).
    ivec2 cell = ivec2(floor(vGrid[0] / patchsize + 0.5));
    float self = slopeSpread(cell);
    gl_TessLevelOuter[0] = edgeLevel(vGrid[0], vGrid[3], max(self, slopeSpread(cell - ivec2(1, 0)))); // u = 0
    gl_TessLevelOuter[1] = edgeLevel(vGrid[0], vGrid[1], max(self, slopeSpread(cell - ivec2(0, 1)))); // v = 0
    gl_TessLevelOuter[2] = edgeLevel(vGrid[1], vGrid[2], max(self, slopeSpread(cell + ivec2(1, 0)))); // u = 1
    gl_TessLevelOuter[3] = edgeLevel(vGrid[3], vGrid[2], max(self, slopeSpread(cell + ivec2(0, 1)))); // v = 1
    gl_TessLevelInner[0] = max(gl_TessLevelOuter[1], gl_TessLevelOuter[3]);
    gl_TessLevelInner[1] = max(gl_TessLevelOuter[0], gl_TessLevelOuter[2]);
}
