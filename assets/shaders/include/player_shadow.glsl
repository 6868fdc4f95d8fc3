// The lander's shadow on terrain and liquids: a soft disc where the ray from the
// surface towards the sun passes the lander.
//
// The ray is described by the lander's offset from that ray (xyz) and how far along
// it the lander lies (w). Both are affine in the surface position, so a vertex stage
// can work them out and let the rasteriser interpolate them: the fragment then gets
// exactly what it would have computed from its own interpolated position.

uniform vec3 playerPos;
uniform vec3 lightDirNormed; // towards the sun
uniform int playerShadow;

vec4 playerShadowRay(vec3 worldPos)
{
    vec3 toPlayer = playerPos - worldPos;
    float along = dot(toPlayer, lightDirNormed);
    return vec4(toPlayer - along * lightDirNormed, along);
}

float playerShadowOfRay(vec4 ray)
{
    if (playerShadow == 0 || ray.w <= 0.0)
        return 1.0;
    return mix(0.45, 1.0, smoothstep(0.7, 1.6, length(ray.xyz)));
}

float playerShadowFactor(vec3 worldPos)
{
    return playerShadowOfRay(playerShadowRay(worldPos));
}
