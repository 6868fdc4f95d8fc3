#version 430 core
// One update step of the exhaust, captured by transform feedback.
//
// Type 0 is the emitter: it follows the lander and is always written first, so it
// stays the first particle and is never the one dropped when the buffer is full.
// Its time to live serves as a spawn timer: when it runs out while emitting, it
// sends out "emitter_numParticles" new particles in a cone around "emitter_dir" and
// waits "emitter_time" again. Times are milliseconds ("particle_time" is a
// particle's life); "deltaT" is the step in seconds. Particles out of life are not
// written. The colour slot carries a per-particle random tint (rgb) and its seed (a).

layout(points) in;
layout(points, max_vertices = 33) out;

in vec4 vPositionType[];
in vec4 vVelocityTtl[];
in vec4 vColor[];

out vec4 out_position_type;
out vec4 out_velocity_ttl;
out vec4 out_color;

uniform vec3 emitter_position;
uniform vec3 emitter_dir;
uniform vec3 emitter_velocity;
uniform int emitter_numParticles;
uniform float emitter_time;
uniform float particle_time;
uniform float particle_random_speed;
uniform mat3 coneRotMat;
uniform float time;
uniform float deltaT;

layout(binding = 0) uniform sampler1D texRandom;

const int kMaxSpawn = 32;
const float kDrag = 0.6; // per second

void emit(vec4 positionType, vec4 velocityTtl, vec4 color)
{
    out_position_type = positionType;
    out_velocity_ttl = velocityTtl;
    out_color = color;
    EmitVertex();
    EndPrimitive();
}

void main()
{
    vec4 positionType = vPositionType[0];
    vec4 velocityTtl = vVelocityTtl[0];
    float stepMs = deltaT * 1000.0;

    if (positionType.w == 0.0) {
        float timer = velocityTtl.w - stepMs;
        int spawn = 0;
        if (emitter_numParticles > 0 && timer <= 0.0) {
            spawn = min(emitter_numParticles, kMaxSpawn);
            timer = max(timer + emitter_time, 0.0);
        } else if (emitter_numParticles <= 0) {
            timer = 0.0;
        }
        emit(vec4(emitter_position, 0.0), vec4(emitter_velocity, timer), vec4(0.0));

        vec3 axis = normalize(emitter_dir + vec3(0.0, 0.0, 1e-6));
        for (int i = 0; i < spawn; ++i) {
            float seed = fract(time * 0.6180339 + float(i) * 0.1372549 + positionType.x * 0.0173);
            vec4 r1 = textureLod(texRandom, seed, 0.0);
            vec4 r2 = textureLod(texRandom, fract(seed + 0.5 + r1.w * 0.25), 0.0);
            vec3 dir = coneRotMat * r1.xyz;
            float speed = particle_random_speed * (0.6 + 0.4 * r1.w);
            vec3 velocity = emitter_velocity + dir * speed;
            // Spread the births over the step so the plume has no gaps.
            vec3 position = emitter_position + velocity * deltaT * r2.w + axis * 0.05 * r2.x;
            float ttl = particle_time * (0.75 + 0.25 * r2.y * r2.y);
            emit(vec4(position, 1.0), vec4(velocity, ttl), vec4(vec3(0.85 + 0.15 * r2.z), r2.w));
        }
        return;
    }

    float ttl = velocityTtl.w - stepMs;
    if (ttl <= 0.0)
        return;
    vec3 velocity = velocityTtl.xyz * max(1.0 - kDrag * deltaT, 0.0);
    vec3 position = positionType.xyz + velocity * deltaT;
    emit(vec4(position, positionType.w), vec4(velocity, ttl), vColor[0]);
}
