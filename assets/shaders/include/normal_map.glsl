// Perturbs the unit normal N with the tangent-space normal map on unit 1 (x along +u,
// y along +v). Tangents come unnormalised and not orthogonal to N, maybe missing or
// not finite: then the map is ignored.

layout(binding = 1) uniform sampler2D texHeightmap;

vec3 mappedNormal(vec3 N, vec3 tangent, vec2 uv)
{
    vec3 T = tangent - N * dot(N, tangent);
    float len2 = dot(T, T);
    if (!(len2 > 1e-12) || isinf(len2) || isnan(len2))
        return N;
    T *= inversesqrt(len2);
    vec3 B = cross(N, T);
    vec3 m = texture(texHeightmap, uv).rgb * 2.0 - 1.0;
    return safeNormalize(T * m.x + B * m.y + N * m.z, N);
}
