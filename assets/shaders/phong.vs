#version 430 core
// Lit meshes: world-space position, normal and texture coordinate for the Phong
// fragment programs.

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 matModel;
uniform mat4 matProjView;

out vec3 vWorldPos;
out vec3 vNormal;
out vec2 vTexCoord;

void main()
{
    vec4 world = matModel * vec4(inPosition, 1.0);
    vWorldPos = world.xyz;
    vNormal = transpose(inverse(mat3(matModel))) * inNormal;
    vTexCoord = inTexCoord;
    gl_Position = matProjView * world;
}
