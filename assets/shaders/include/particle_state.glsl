// Particle state passed through unchanged: position and type, velocity and time to
// live, colour.

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
