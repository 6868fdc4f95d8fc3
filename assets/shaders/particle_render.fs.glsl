#version 430 core
// Exhaust colour over life: "color1" when young, "color2" when old, fading out.
// Drawn additively.

#include "include/brightness.glsl"

in vec2 gTexCoord;
in float gAge;
in vec3 gTint;

layout(binding = 0) uniform sampler2D tex;
uniform vec3 color1;
uniform vec3 color2;

out vec4 fragColor;

void main()
{
    vec4 texel = texture(tex, gTexCoord);
    vec3 color = mix(color1, color2, smoothstep(0.0, 0.8, gAge)) * gTint * texel.rgb;
    float fade = (1.0 - gAge) * (1.0 - gAge);
    fragColor = vec4(color * globalBrightnessMultiplier, texel.a * fade);
}
