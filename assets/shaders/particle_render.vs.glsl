#version 430 core
// Particle state in, handed to the sprite builder.

layout(location = 0) in vec4 inPositionType;
layout(location = 1) in vec4 inVelocityTtl;
layout(location = 2) in vec4 inColor;

out vec4 vPositionType;
out vec4 vVelocityTtl;
out vec4 vColor;

void main()
{
    vPositionType = inPositionType;
    vVelocityTtl = inVelocityTtl;
    vColor = inColor;
}
