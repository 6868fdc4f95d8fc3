#version 430 core
// Flat-coloured meshes: position only, one combined matrix.

layout(location = 0) in vec3 inPosition;

uniform mat4 matMVP;

void main()
{
    gl_Position = matMVP * vec4(inPosition, 1.0);
}
