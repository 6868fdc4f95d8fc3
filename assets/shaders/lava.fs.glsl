#version 430 core
// Flowing lava: two layers of the noise texture drift against each other; where they
// add up the lava glows yellow-white, elsewhere a dark crust, lit by the sun, floats.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec3 vWorldPos;
in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor; // noise
uniform vec3 eye;
uniform float timeSeconds;
uniform float aspectRatio;

out vec4 fragColor;

// Smooth noise from the texture, several octaves.
float fbm(vec2 p)
{
    float value = 0.0;
    float amplitude = 0.5;
    for (int i = 0; i < 4; ++i) {
        value += amplitude * texture(texDiffColor, p).r;
        p = p * 2.03 + vec2(0.17, 0.31);
        amplitude *= 0.5;
    }
    return value / 0.9375;
}

void main()
{
    // Keep the pattern square on long, narrow pools.
    vec2 st = vec2(vTexCoord.x * max(aspectRatio, 0.01), vTexCoord.y) * 0.35;
    float t = timeSeconds;

    vec2 warp = vec2(fbm(st * 0.7 + vec2(t * 0.011, t * 0.007)), fbm(st * 0.7 - vec2(t * 0.009, -t * 0.013)));
    float flowA = fbm(st + warp * 0.25 + vec2(t * 0.020, t * 0.008));
    float flowB = fbm(st * 1.6 - warp * 0.20 + vec2(-t * 0.015, t * 0.018));
    float heat = clamp((flowA + flowB - 0.85) * 1.6, 0.0, 1.0);
    heat *= 0.85 + 0.15 * sin(t * 1.7 + flowA * 12.0); // slow pulsing

    // Hot colour ramp: deep red, orange, yellow-white.
    vec3 hot = mix(vec3(0.55, 0.04, 0.0), vec3(1.0, 0.38, 0.02), smoothstep(0.0, 0.55, heat));
    hot = mix(hot, vec3(1.0, 0.9, 0.45), smoothstep(0.6, 1.0, heat));

    // The crust: bumps from the noise, lit by the sun.
    float eps = 1.0 / 256.0;
    float hx = fbm(st + vec2(eps, 0.0)) - fbm(st - vec2(eps, 0.0));
    float hz = fbm(st + vec2(0.0, eps)) - fbm(st - vec2(0.0, eps));
    vec3 N = safeNormalize(vec3(-hx * 6.0, 1.0, -hz * 6.0), vec3(0.0, 1.0, 0.0));
    float sun = max(dot(N, lightDirNormed), 0.0);
    vec3 crust = vec3(0.09, 0.06, 0.05) * (0.35 + 0.9 * sun) * playerShadowFactor(vWorldPos);

    // Glow shows more where the crust is seen at a steep angle.
    vec3 V = safeNormalize(eye - vWorldPos, vec3(0.0, 1.0, 0.0));
    float facing = 0.75 + 0.25 * abs(V.y);
    float crustCover = 1.0 - smoothstep(0.05, 0.45, heat);
    vec3 color = mix(hot * facing * 1.25, crust, crustCover);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
