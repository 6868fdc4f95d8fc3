// The terrain patches one frame draws: only those whose box (the patch's square between
// the lowest and the highest height under it) meets the view, nearest to the camera
// first, so that near ground fills the depth buffer before the ground it hides is
// shaded. Their grid indices reach the vertex stage as a per-vertex attribute, the
// same for a patch's four corners.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

class TerrainPatches {
public:
    TerrainPatches() = default;
    ~TerrainPatches();
    TerrainPatches(const TerrainPatches&) = delete;
    TerrainPatches& operator=(const TerrainPatches&) = delete;

    // Height bounds of each patch of an xpatches x zpatches grid of side patchSize over a
    // w x h height image (row 0 at the grid's far +z side, as the shaders sample it);
    // sample values 0..65535 map onto minHeight..maxHeight.
    void build(const uint16_t* samples, int w, int h, int xpatches, int zpatches, float patchSize, float minHeight,
               float maxHeight);
    bool builtFor(int xpatches, int zpatches, float patchSize, float minHeight, float maxHeight) const;

    // The patches in view of projViewModel (grid space to clip space), nearest to eye
    // (in grid space) first.
    void select(const glm::mat4& projViewModel, const glm::vec3& eye, std::vector<int32_t>* order) const;

    // The window rectangle (x, y, width, height) outside which the terrain surely covers
    // every pixel, for a window of size `window`; false when that cannot be told (the
    // camera is off the terrain or down among the hills). See the notes in the source.
    bool skyWindow(const glm::mat4& projViewModel, glm::ivec2 window, glm::ivec4* rect) const;

    // Selects, uploads the indices as attribute 0 of vao (one per corner) and returns
    // the count of patches.
    int prepareDraw(GLuint vao, const glm::mat4& projViewModel, const glm::vec3& eye);

private:
    // Whether the view ray through the window point (in normalised device coordinates)
    // meets the terrain between the near and far planes.
    bool rayCovered(const glm::mat4& clipToGrid, float x, float y) const;
    // Whether the whole near plane lies above the highest ground of the patches under it.
    bool nearPlaneAboveGround(const glm::mat4& clipToGrid) const;

    std::vector<glm::vec2> m_bounds; // lowest and highest world height per patch, row-major from (0, 0)
    int m_xpatches = 0;
    int m_zpatches = 0;
    float m_patch_size = 0.0f;
    float m_min_height = 0.0f;
    float m_max_height = 0.0f;
    GLuint m_buffer = 0;
    GLuint m_boundVao = 0;
    std::vector<int32_t> m_order;
    std::vector<int32_t> m_cornerIndices; // m_order, each four times
};
