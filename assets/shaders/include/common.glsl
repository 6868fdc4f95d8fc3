// Small helpers shared by the programs.

// Normalises v; falls back when v is zero or not finite (imported normals and
// generated tangents are neither guaranteed unit length nor finite).
vec3 safeNormalize(vec3 v, vec3 fallback)
{
    float len2 = dot(v, v);
    if (!(len2 > 1e-12) || isinf(len2) || isnan(len2))
        return fallback;
    return v * inversesqrt(len2);
}
