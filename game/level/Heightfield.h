// The level's terrain: a grid of square patches displaced by the 16-bit height map in
// the tessellation stages, plus height and surface-normal queries for everything that
// stands on the ground.
#pragma once

#include "level/TerrainPatches.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <string>

class Shader;
class Texture;
struct HeightFieldActor;

class Heightfield {
public:
    Heightfield(float patchSize, int xpatches, int zpatches, float minHeight, float maxHeight, int minSubdivisions,
                int maxSubdivisions, float subdivisionFactor);
    ~Heightfield();
    Heightfield(const Heightfield&) = delete;
    Heightfield& operator=(const Heightfield&) = delete;

    // Heights and texture are always loaded; empty names of the other three skip them.
    void loadTextures(const std::string& heights, const std::string& texture, const std::string& normals,
                      const std::string& lightmap, const std::string& specmap);
    void selectShader();
    void render(const glm::mat4& projView, const glm::vec3& playerPos);
    // After render: the window rectangle outside which this terrain surely covers every
    // pixel of a window of that size; false when that cannot be told.
    bool skyWindow(const glm::mat4& projView, glm::ivec2 window, glm::ivec4* rect) const;
    // Terrain height below pos (x and z are read); the surface normal there when asked.
    float getHeight(const glm::vec3& pos, glm::vec3* normal) const;
    void freeTextures();
    // Sets the world extents and their inverses.
    void setExtent(float extentX, float extentZ);

    float m_patch_size;
    int m_xpatches;
    int m_zpatches;
    float m_min_height;
    float m_max_height;
    int m_min_subdivisions;
    int m_max_subdivisions;
    float m_subdivision_factor;
    Texture* m_heights = nullptr;
    Texture* m_diffuse = nullptr;
    Texture* m_normals_map = nullptr;
    Texture* m_lightmap = nullptr;
    Texture* m_specmap = nullptr;
    HeightFieldActor* m_actor = nullptr;
    Shader* m_shader = nullptr;
    // The same terrain without the tessellation stages, for the patches the stages
    // would cut the least (see TerrainPatches); without it every patch is tessellated.
    Shader* m_lowestShader = nullptr;
    // With a specular map: both programs without the shine, for the patches where it
    // cannot show (see TerrainPatches::LevelRule); without them every patch may shine.
    Shader* m_matteShader = nullptr;
    Shader* m_lowestMatteShader = nullptr;
    GLuint m_vao = 0;
    GLuint m_lowestVao = 0;
    float m_extent_x = 0.0f;
    float m_extent_z = 0.0f;
    float m_inv_extent_x = 0.0f;
    float m_inv_extent_z = 0.0f;
    TerrainPatches m_patches;
    TerrainPatches::Draw m_drawn; // what the last render drew
    // Made from the maps above so that the shaders fetch less per pixel: the colour map
    // with the light map in its alpha (when there is a light map; with a specular map
    // too, the lit colour over LIT_SCALE and the specular strength), and the height
    // differences across each height sample (when there is a specular map).
    GLuint m_colorLight = 0;
    // The largest lit colour factor, 0.12 + 1.05; heightfield-lightmap-specmap.fs.glsl
    // multiplies by the same number.
    static constexpr float LIT_SCALE = 1.17f;
    GLuint m_slopes = 0;

private:
    void makeShaderMaps();
    // Centres the patch grid, which the shaders lay out from (0, 0), on the origin.
    glm::mat4 gridToWorld() const;
};
