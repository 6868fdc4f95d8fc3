#version 430 core
// Flowing lava: layers of the noise texture drift along the pool's long side and
// against each other; where they add up the lava glows yellow-white, elsewhere a dark
// crust, lit by the sun, floats on it.

#include "include/common.glsl"
#include "include/brightness.glsl"
#include "include/player_shadow.glsl"

in vec3 vWorldPos;
in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D texDiffColor; // per-texel random bytes
uniform vec3 eye;
uniform float timeSeconds;
uniform float aspectRatio; // width / depth of the pool

out vec4 fragColor;

// Smooth noise: the random texels are only ever sampled a few texels apart, so the
// linear filter blends them into soft blobs.
float fbm(vec2 p)
{
    float value = 0.0;
    float amplitude = 0.55;
    for (int i = 0; i < 4; ++i) {
        value += amplitude * texture(texDiffColor, p).r;
        p = p * 2.07 + vec2(0.131, 0.217);
        amplitude *= 0.5;
    }
    return value / 1.03125;
}

void main()
{
    // Square noise cells on long, narrow pools; the flow runs along the long side.
    float aspect = max(aspectRatio, 0.01);
    vec2 st = vec2(vTexCoord.x * aspect, vTexCoord.y) * 0.09;
    vec2 along = aspect >= 1.0 ? vec2(1.0, 0.0) : vec2(0.0, 1.0);
    vec2 across = vec2(along.y, along.x);
    float t = timeSeconds;

    vec2 warp = vec2(fbm(st * 0.5 + along * t * 0.0009), fbm(st * 0.5 + vec2(0.37, 0.61) - across * t * 0.0007));
    float flowA = fbm(st + (warp - 0.5) * 0.05 + along * t * 0.0022);
    float flowB = fbm(st * 1.3 + vec2(0.5, 0.25) - (warp - 0.5) * 0.04 + along * t * 0.0013 + across * t * 0.0006);
    float heat = clamp((flowA + flowB - 0.92) * 2.2, 0.0, 1.0);
    heat *= 0.88 + 0.12 * sin(t * 1.3 + flowA * 9.0); // slow pulsing

    // Hot colour ramp: deep red, orange, yellow-white.
    vec3 hot = mix(vec3(0.5, 0.03, 0.0), vec3(1.0, 0.36, 0.02), smoothstep(0.0, 0.55, heat));
    hot = mix(hot, vec3(1.0, 0.88, 0.45), smoothstep(0.65, 1.0, heat));

    // The crust: bumps from the noise, lit by the sun.
    vec2 eps = vec2(0.6 / 256.0, 0.0);
    float hx = fbm(st + eps.xy) - fbm(st - eps.xy);
    float hz = fbm(st + eps.yx) - fbm(st - eps.yx);
    vec3 N = safeNormalize(vec3(-hx * 4.0, 1.0, -hz * 4.0), vec3(0.0, 1.0, 0.0));
    float sun = max(dot(N, lightDirNormed), 0.0);
    vec3 crust = vec3(0.10, 0.07, 0.06) * (0.3 + 0.9 * sun) * playerShadowFactor(vWorldPos);

    // The glow between the plates shows more where the pool is seen from above.
    vec3 V = safeNormalize(eye - vWorldPos, vec3(0.0, 1.0, 0.0));
    float facing = 0.8 + 0.2 * abs(V.y);
    float crustCover = 1.0 - smoothstep(0.08, 0.4, heat);
    vec3 color = mix(hot * facing * 1.2, crust, crustCover);
    fragColor = vec4(color * globalBrightnessMultiplier, 1.0);
}
