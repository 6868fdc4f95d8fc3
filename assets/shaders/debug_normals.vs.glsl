#version 430 core
// Shows the surface normals as colours.

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;

uniform mat4 matModel;
uniform mat4 matProjView;

out vec3 vNormal;

void main()
{
    vNormal = transpose(inverse(mat3(matModel))) * inNormal;
    gl_Position = matProjView * matModel * vec4(inPosition, 1.0);
}
