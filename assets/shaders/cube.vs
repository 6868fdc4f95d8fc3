#version 430 core
// Cube-mapped (mirroring) meshes.

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;

uniform mat4 matModel;
uniform mat4 matProjView;

out vec3 vWorldPos;
out vec3 vNormal;

void main()
{
    vec4 world = matModel * vec4(inPosition, 1.0);
    vWorldPos = world.xyz;
    vNormal = transpose(inverse(mat3(matModel))) * inNormal;
    gl_Position = matProjView * world;
}
