// The terrain's patch grid and height map, shared by its stages. Grid coordinates run
// from (0, 0) over xpatches x zpatches patches of side "patchsize" in +x and +z;
// "matModel" centres the grid on the origin. The height map's first row lies at +z.

uniform mat4 matModel;
uniform float patchsize;
uniform int xpatches;
uniform int zpatches;
uniform float min_height;
uniform float max_height;

layout(binding = 0) uniform sampler2D texHeightmap; // 16-bit depth texture, compare off

vec2 terrainSize()
{
    return vec2(float(xpatches), float(zpatches)) * patchsize;
}

// Colour-map coordinate of a grid point.
vec2 terrainUV(vec2 grid)
{
    vec2 f = grid / terrainSize();
    return vec2(f.x, 1.0 - f.y);
}

// Height-map coordinate of a colour-map coordinate: the first and last samples sit on
// the grid's borders.
vec2 heightUVOf(vec2 uv)
{
    vec2 samples = vec2(textureSize(texHeightmap, 0));
    return (uv * (samples - 1.0) + 0.5) / samples;
}

vec2 heightUV(vec2 grid)
{
    return heightUVOf(terrainUV(grid));
}

float terrainHeight(vec2 grid)
{
    return mix(min_height, max_height, textureLod(texHeightmap, heightUV(grid), 0.0).r);
}

// Surface normal from the heights around a grid point, one sample apart.
vec3 terrainNormal(vec2 grid)
{
    vec2 spacing = terrainSize() / max(vec2(textureSize(texHeightmap, 0)) - 1.0, vec2(1.0));
    float left = terrainHeight(grid - vec2(spacing.x, 0.0));
    float right = terrainHeight(grid + vec2(spacing.x, 0.0));
    float back = terrainHeight(grid - vec2(0.0, spacing.y));
    float front = terrainHeight(grid + vec2(0.0, spacing.y));
    return normalize(vec3((left - right) * spacing.y, 2.0 * spacing.x * spacing.y, (back - front) * spacing.x));
}
