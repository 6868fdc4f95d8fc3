// The lander's shadow on terrain and liquids: a soft disc where the ray from the
// surface towards the sun passes the lander.

uniform vec3 playerPos;
uniform vec3 lightDirNormed; // towards the sun
uniform int playerShadow;

float playerShadowFactor(vec3 worldPos)
{
    if (playerShadow == 0)
        return 1.0;
    vec3 toPlayer = playerPos - worldPos;
    float along = dot(toPlayer, lightDirNormed);
    if (along <= 0.0)
        return 1.0;
    float miss = length(toPlayer - along * lightDirNormed);
    return mix(0.45, 1.0, smoothstep(0.7, 1.6, miss));
}
