#version 430 core
// Unlit textured meshes: position and texture coordinate, one combined matrix.

layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 matMVP;

out vec2 vTexCoord;

void main()
{
    vTexCoord = inTexCoord;
    gl_Position = matMVP * vec4(inPosition, 1.0);
}
