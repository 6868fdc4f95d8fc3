#version 430 core
// The finished scene with an expanding ring of refraction around "center" (0..1 of
// the window). "radius" is the wave's age in seconds; it fades out by 1.4 s. Pixels
// away from the ring are copied exactly.

in vec2 vTexCoord;

layout(binding = 0) uniform sampler2D tex;
uniform vec2 center;
uniform float radius;

out vec4 fragColor;

const float kLifetime = 1.4;
const float kSpeed = 0.75;     // ring radius growth, in window heights per second
const float kHalfWidth = 0.06; // half the ring's width, in window heights
const float kStrength = 0.035; // largest displacement, in window heights

void main()
{
    ivec2 size = textureSize(tex, 0);
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    float aspect = float(size.x) / float(max(size.y, 1));

    // Distances measured in window heights so the ring stays round.
    vec2 delta = (vTexCoord - center) * vec2(aspect, 1.0);
    float dist = length(delta);
    float ring = radius * kSpeed;
    float x = (dist - ring) / kHalfWidth;
    float fade = clamp(1.0 - radius / kLifetime, 0.0, 1.0);

    if (abs(x) >= 1.0 || fade <= 0.0 || dist < 1e-5) {
        fragColor = texelFetch(tex, clamp(pixel, ivec2(0), size - 1), 0);
        return;
    }

    // A smooth bump across the ring: pixels inside it are pushed outwards, those
    // outside pulled inwards, like a lens.
    float profile = sin(x * 3.14159265) * (1.0 - x * x);
    float shift = profile * kStrength * fade;
    vec2 dir = delta / dist;
    vec2 offsetPixels = dir * shift * float(size.y);
    ivec2 source = clamp(ivec2(floor(gl_FragCoord.xy - offsetPixels)), ivec2(0), size - 1);
    vec3 color = texelFetch(tex, source, 0).rgb;
    color *= 1.0 + 0.12 * fade * max(profile, 0.0);
    fragColor = vec4(color, 1.0);
}
