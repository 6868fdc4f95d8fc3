// Liquid surfaces: flat quads with world-space position and texture coordinate.

layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 matModel;
uniform mat4 matProjView;

out vec3 vWorldPos;
out vec2 vTexCoord;

void main()
{
    vec4 world = matModel * vec4(inPosition, 1.0);
    vWorldPos = world.xyz;
    vTexCoord = inTexCoord;
    gl_Position = matProjView * world;
}
