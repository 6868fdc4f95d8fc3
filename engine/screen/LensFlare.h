// The sun's lens flare: sixteen elements along the line from the sun's screen position
// through the screen centre, drawn additively from a procedural atlas of eight
// 256x256 single-channel tiles (soft disc, bright rim, radial ramp, thin ring and four
// random starbursts).
#pragma once

#include <glm/glm.hpp>

#include <vector>

class Quad2D;
class Texture;

struct FlareElement {
    int tile = 0; // 0..3, or 4 for one of the four starburst variants
    float axisPos = 0.0f;
    float size = 0.0f;
    glm::vec3 color = glm::vec3(0.0f);
};

// One element placed on the screen for the current frame.
struct FlareQuad {
    int tile = 0; // 0..7
    glm::vec3 color = glm::vec3(0.0f);
    glm::vec2 corner = glm::vec2(0.0f); // lower left, pixels
    float size = 0.0f;                  // pixels, square
};

class LensFlare {
public:
    static constexpr int kTileSize = 256;
    static constexpr int kTiles = 8;
    static constexpr int kAtlasWidth = kTileSize * kTiles;

    // Builds the atlas and a quad over the window, and follows the window size.
    LensFlare();
    // Deletes the atlas and the quad and stops following the window size.
    ~LensFlare();
    LensFlare(const LensFlare&) = delete;
    LensFlare& operator=(const LensFlare&) = delete;

    // The atlas texels, row by row, 2048 x 256 floats. Reseeds the program-wide random
    // generator with 23, so the starbursts are the same on every run.
    static std::vector<float> buildAtlas();
    // The atlas as an R16F texture with mipmaps.
    static Texture* createTexture();

    // The sixteen elements in draw order; the same table for the whole run.
    static const std::vector<FlareElement>& elements();
    // Places the elements for a sun at (sunNdcX, sunNdcY) in normalised device
    // coordinates on a width x height framebuffer. Returns false (and places nothing)
    // when the sun is too far off screen. Each starburst element takes the next of the
    // four variants.
    static bool layout(float sunNdcX, float sunNdcY, int width, int height, std::vector<FlareQuad>& out);

    // Draws the flare after the scene, additively, with the depth test off.
    void draw(float sunNdcX, float sunNdcY);
    void onResize();

    Texture* texture = nullptr;
    Quad2D* quad = nullptr;
};
