// The terrain patches one frame draws: only those whose box (the patch's square between
// the lowest and the highest height under it) meets the view, nearest to the camera
// first, so that near ground fills the depth buffer before the ground it hides is
// shaded. Those the tessellation stages would cut into no more than two segments a
// side go as the very triangles the stages would make of them, without the stages
// (or fewer, where the view looks down steeply and that moves the ground by no more
// than a quarter of a pixel); the others' grid indices reach the vertex stage as a
// per-instance attribute. On shiny ground, the patches where the sun's shine cannot
// show come after the others, to be drawn without it.
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

    // Per patch, an xpatches x zpatches texture of one float: how far a straight cut
    // across the patch can stand off the ground, per unit of the cut's length (see
    // build). Made on first use; the tessellation control stage reads it on unit 3.
    GLuint slopeSpreadTexture();

    // The patches in view of projViewModel (grid space to clip space), nearest to eye
    // (in grid space) first.
    void select(const glm::mat4& projViewModel, const glm::vec3& eye, std::vector<int32_t>* order) const;

    // The window rectangle (x, y, width, height) outside which the terrain surely covers
    // every pixel, for a window of size `window`; false when that cannot be told (the
    // camera is off the terrain or down among the hills). See the notes in the source.
    bool skyWindow(const glm::mat4& projViewModel, glm::ivec2 window, glm::ivec4* rect) const;

    // What the tessellation control stage makes a patch's edge level of (see
    // heightfield.tcs.glsl), in grid space: the lower of factor x patch size over the
    // distance to the player and patch size x pixelsPerUnit x the sine of the view
    // ray's angle from the vertical over the depth (the row of projViewModel that
    // gives clip w), times the slope spread of the patches on either side of the edge
    // where that is below 1, clamped to the subdivision limits.
    struct LevelRule {
        glm::vec3 player = glm::vec3(0.0f);
        glm::vec3 eye = glm::vec3(0.0f);
        float factor = 0.0f;
        float pixelsPerUnit = 0.0f;
        int minSubdivisions = 1;
        bool plainLowest = true; // false: every patch goes to the tessellation stages
        // With splitShine, the patches where the sun's shine (Blinn-Phong, exponent
        // 40, from the normals of the height map) surely stays below a level of colour
        // are told apart from the others; sun is the unit direction towards the sun.
        bool splitShine = false;
        glm::vec3 sun = glm::vec3(0.0f, 1.0f, 0.0f);
    };
    // The highest level any edge of the patch can get: by the distance to the player
    // (x) and by what the screen shows (y, the spread included; infinite where the
    // patch reaches behind the camera). Below 2 the stages make the lowest they make, two segments a side,
    // whatever the exact level. z: the largest sine of a view ray's angle from the
    // vertical into the patch.
    glm::vec3 levelBounds(int patch, const glm::mat4& projViewModel, const LevelRule& rule) const;

    // The patches of one frame: those in view, nearest first, split into those to
    // tessellate and those at the lowest level, which go as plain triangles; where the
    // view looks down on them steeply, without the middles that would move the ground
    // on screen by no more than a quarter of a pixel.
    struct Draw {
        int tessellated = 0; // patches whose index went to attribute 0, one per instance
        int lowestIndices = 0; // of the lowest-level patches' triangles, three a triangle
        // Of those, the ones that come first and may shine (all of them without
        // splitShine); the matte rest follow.
        int tessellatedShiny = 0;
        int lowestShinyIndices = 0;
    };
    // Selects and splits, uploads the tessellated patches' indices as attribute 0 of
    // tessVao and the lowest-level patches' triangles as the element buffer of lowestVao:
    // vertex k of the half-patch grid (2 x xpatches + 1 a row) is grid point
    // (k mod row, k / row) x patch size / 2.
    Draw prepareDraw(GLuint tessVao, GLuint lowestVao, const glm::mat4& projViewModel, const glm::vec3& eye,
                     const LevelRule& rule);

private:
    // Whether the view ray through the window point (in normalised device coordinates)
    // meets the terrain between the near and far planes.
    bool rayCovered(const glm::mat4& clipToGrid, float x, float y) const;
    // Whether the whole near plane lies above the highest ground of the patches under it.
    bool nearPlaneAboveGround(const glm::mat4& clipToGrid) const;
    // The largest slope spread of the patch and the four beside it.
    float edgeSpread(int patch) const;
    // Whether the sun can shine off some point of the patch towards the eye (grid space).
    bool mayShine(int patch, const glm::vec3& eye, const glm::vec3& sun) const;

    std::vector<glm::vec2> m_bounds; // lowest and highest world height per patch, row-major from (0, 0)
    std::vector<float> m_slopeSpreads; // per patch, see build
    // Per patch, the cone of the normals the specular program makes from the height
    // map: its axis (xyz) and the largest angle of a normal from it (w).
    std::vector<glm::vec4> m_normalCones;
    GLuint m_slopeSpreadTexture = 0;
    int m_xpatches = 0;
    int m_zpatches = 0;
    float m_patch_size = 0.0f;
    float m_min_height = 0.0f;
    float m_max_height = 0.0f;
    GLuint m_buffer = 0;
    GLuint m_boundVao = 0;
    GLuint m_lowestBuffer = 0;
    GLuint m_boundLowestVao = 0;
    std::vector<int32_t> m_order;
    std::vector<int32_t> m_tessellated; // the patches in view, split
    std::vector<int32_t> m_plainOrder;
    std::vector<int32_t> m_matteTessellated; // this frame's matte patches, split likewise
    std::vector<int32_t> m_mattePlain;
    std::vector<uint32_t> m_lowestIndices;
    std::vector<float> m_screenFactors; // per patch, see prepareDraw
    // Per patch, how far the height at the middle of each edge (x = 0, z = max,
    // x = max, z = 0) and at the centre stands off the line or the triangle of the
    // patch's corners it would be left out of.
    std::vector<glm::vec4> m_middleErrors;
    std::vector<float> m_centreErrors;
};
