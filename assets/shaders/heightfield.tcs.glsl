#version 430 core
// Tessellation by distance to the player: near patches get up to "max_subdivisions",
// far ones down to "min_subdivisions". Each edge's level comes from its own midpoint,
// so neighbouring patches agree on their shared edge and leave no cracks. Patches
// outside the view get level 0 and are dropped.

layout(vertices = 4) out;

#include "include/terrain.glsl"

uniform mat4 matProjView;
uniform vec3 playerPos;
uniform int min_subdivisions;
uniform int max_subdivisions;
uniform float subdivision_factor;

in vec2 vGrid[];
in vec3 vEye[];
out vec2 tcGrid[];
out vec3 tcEye[];

float edgeLevel(vec2 a, vec2 b)
{
    vec2 middle = 0.5 * (a + b);
    vec3 world = (matModel * vec4(middle.x, terrainHeight(middle), middle.y, 1.0)).xyz;
    float level = subdivision_factor * patchsize / max(distance(world, playerPos), 1e-3);
    return clamp(level, float(min_subdivisions), float(max_subdivisions));
}

bool patchVisible()
{
    vec2 lo = min(min(vGrid[0], vGrid[1]), min(vGrid[2], vGrid[3]));
    vec2 hi = max(max(vGrid[0], vGrid[1]), max(vGrid[2], vGrid[3]));
    float bottom = min(min_height, max_height);
    float top = max(min_height, max_height);
    mat4 mvp = matProjView * matModel;
    // Outside when all eight box corners lie beyond one clip plane.
    ivec3 below = ivec3(0), above = ivec3(0);
    for (int i = 0; i < 8; ++i) {
        vec3 corner = vec3((i & 1) != 0 ? hi.x : lo.x, (i & 2) != 0 ? top : bottom, (i & 4) != 0 ? hi.y : lo.y);
        vec4 clip = mvp * vec4(corner, 1.0);
        below += ivec3(lessThan(clip.xyz, vec3(-clip.w)));
        above += ivec3(greaterThan(clip.xyz, vec3(clip.w)));
    }
    return all(lessThan(below, ivec3(8))) && all(lessThan(above, ivec3(8)));
}

void main()
{
    tcGrid[gl_InvocationID] = vGrid[gl_InvocationID];
    tcEye[gl_InvocationID] = vEye[gl_InvocationID];
    if (gl_InvocationID != 0)
        return;
    if (!patchVisible()) {
        gl_TessLevelOuter[0] = gl_TessLevelOuter[1] = gl_TessLevelOuter[2] = gl_TessLevelOuter[3] = 0.0;
        gl_TessLevelInner[0] = gl_TessLevelInner[1] = 0.0;
        return;
    }
    // Corners 0 (0,0), 1 (1,0), 2 (1,1), 3 (0,1) in (u, v).
    gl_TessLevelOuter[0] = edgeLevel(vGrid[0], vGrid[3]); // u = 0
    gl_TessLevelOuter[1] = edgeLevel(vGrid[0], vGrid[1]); // v = 0
    gl_TessLevelOuter[2] = edgeLevel(vGrid[1], vGrid[2]); // u = 1
    gl_TessLevelOuter[3] = edgeLevel(vGrid[3], vGrid[2]); // v = 1
    gl_TessLevelInner[0] = max(gl_TessLevelOuter[1], gl_TessLevelOuter[3]);
    gl_TessLevelInner[1] = max(gl_TessLevelOuter[0], gl_TessLevelOuter[2]);
}
