// The sun light (uploaded by explicit location) and the mesh material, with the
// Phong lighting the lit mesh programs share. Needs "eye" and the helpers of common.

layout(location = 20) uniform int lightEnabled;
layout(location = 21) uniform vec3 lightAmbient;
layout(location = 22) uniform vec3 lightDiffuse;
layout(location = 23) uniform vec3 lightSpecular;
layout(location = 24) uniform vec3 lightDirection; // the way the light travels

struct Material {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
    float shininess;
};
uniform Material material;

uniform vec3 eye; // camera position, world space

// Blinn-Phong for a unit normal N at worldPos. ambientAlbedo scales the ambient
// term, diffuseAlbedo the diffuse one. A shininess of 0 means a matte surface.
vec3 shadePhong(vec3 N, vec3 worldPos, vec3 ambientAlbedo, vec3 diffuseAlbedo)
{
    if (lightEnabled == 0)
        return diffuseAlbedo;
    vec3 L = safeNormalize(-lightDirection, vec3(0.0, 1.0, 0.0));
    vec3 V = safeNormalize(eye - worldPos, N);
    float lambert = max(dot(N, L), 0.0);
    vec3 color = lightAmbient * material.ambient * ambientAlbedo + lightDiffuse * diffuseAlbedo * lambert;
    if (material.shininess > 0.0 && lambert > 0.0) {
        vec3 H = safeNormalize(L + V, N);
        color += lightSpecular * material.specular * pow(max(dot(N, H), 0.0), material.shininess);
    }
    return color;
}

// A texture gives the hue; the material's diffuse colour only its strength, so a
// textured mesh with a coloured default material keeps its texture's colours.
vec3 texturedAlbedo(vec3 texel)
{
    return texel * max(material.diffuse.r, max(material.diffuse.g, material.diffuse.b));
}
