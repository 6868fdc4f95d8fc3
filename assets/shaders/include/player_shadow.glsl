// The lander's shadow on terrain and liquids: a soft disc where the ray from the
// surface towards the sun passes the lander.
//
// The ray is described by where the lander lies seen from the surface point: its
// offset across the ray in two fixed directions (xy) and how far along it (z). All
// three are affine in the surface position, so a vertex stage can work them out and
// let the rasteriser interpolate them: the fragment then gets exactly what it would
// have computed from its own interpolated position, for one length.

uniform vec3 playerPos;
uniform vec3 lightDirNormed; // towards the sun
uniform int playerShadow;

vec3 playerShadowRay(vec3 worldPos)
{
    vec3 L = lightDirNormed;
    vec3 across = normalize(cross(L, abs(L.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0)));
    vec3 toPlayer = playerPos - worldPos;
    return vec3(dot(toPlayer, across), dot(toPlayer, cross(L, across)), dot(toPlayer, L));
}

float playerShadowOfRay(vec3 ray)
{
    if (playerShadow == 0 || ray.z <= 0.0)
        return 1.0;
    return mix(0.45, 1.0, smoothstep(0.7, 1.6, length(ray.xy)));
}

float playerShadowFactor(vec3 worldPos)
{
    return playerShadowOfRay(playerShadowRay(worldPos));
}
