#version 430 core
// A camera-facing sprite per living particle (the emitter draws nothing). Sprites
// grow with age. The corners are ordered counter-clockwise on screen whichever way
// round the two camera axes arrive, so face culling never removes them.

layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

in vec4 vPositionType[];
in vec4 vVelocityTtl[];
in vec4 vColor[];

uniform mat4 matViewProj;
uniform vec3 vUp;
uniform vec3 vRight;
uniform float particle_time;
uniform float size;

out vec2 gTexCoord;
out float gAge;
out vec3 gTint;

void main()
{
    if (vPositionType[0].w == 0.0 || vVelocityTtl[0].w <= 0.0)
        return;
    float age = clamp(1.0 - vVelocityTtl[0].w / max(particle_time, 1e-3), 0.0, 1.0);
    float halfSize = 0.5 * size * (1.0 + 2.0 * age);

    vec4 center = matViewProj * vec4(vPositionType[0].xyz, 1.0);
    vec4 right = matViewProj * vec4(vRight * halfSize, 0.0);
    vec4 up = matViewProj * vec4(vUp * halfSize, 0.0);
    if (right.x * up.y - right.y * up.x < 0.0)
        right = -right;

    const vec2 corners[4] = vec2[4](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));
    for (int i = 0; i < 4; ++i) {
        gl_Position = center + right * corners[i].x + up * corners[i].y;
        gTexCoord = corners[i] * 0.5 + 0.5;
        gAge = age;
        gTint = vColor[0].rgb;
        EmitVertex();
    }
    EndPrimitive();
}
